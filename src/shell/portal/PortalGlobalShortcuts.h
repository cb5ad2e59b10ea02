#pragma once

#include <functional>
#include <optional>
#include <string>

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QObject>
#include <QVariantMap>

#include "core/platform/NotificationCenter.h"
#include "core/shortcuts/Shortcut.h"

namespace marbrel {

class KeyboardShortcuts;
class PortalStatus;

// The pop-up shortcut through the desktop's GlobalShortcuts portal, for Wayland sessions where no
// program may grab keys: a portal session binds the shortcut "popup" with the stored combination as
// the preferred trigger, and the desktop's Activated and Deactivated signals run the name's actions
// as a press and release would. A change of the stored shortcut binds again in a new session (a
// session binds once); a cleared one closes the session. The portal is asked without waiting and
// watched on the bus: one that starts late, or again after stopping, gets the shortcut bound then.
// What the desktop answers goes to `status`.
class PortalGlobalShortcuts : public QObject {
  Q_OBJECT

 public:
  // The XKB keysym name of the key at a virtual key code under the current layout ("v", "F5").
  using KeyName = std::function<std::optional<std::string>(std::int64_t keyCode)>;

  // None of the references is owned; all outlive this object.
  // `description` tells the user what the shortcut does, in the desktop's dialog.
  PortalGlobalShortcuts(const QDBusConnection& bus, KeyboardShortcuts& shortcuts, NotificationCenter& notifications,
                        KeyName keyName, QString description, PortalStatus& status, QObject* parent = nullptr);
  ~PortalGlobalShortcuts() override;

  // Binds the stored shortcut once the portal answers; later changes, and a portal that comes
  // (back), bind again by themselves.
  void start();

  // The trigger text asked for, "CTRL+SHIFT+v"; empty when no shortcut is stored.
  QString preferredTrigger() const;

 private Q_SLOTS:
  void onActivated(const QDBusMessage& message);
  void onDeactivated(const QDBusMessage& message);
  void onShortcutsChanged(const QDBusMessage& message);
  // The desktop ended our session: the shortcut no longer reaches us.
  void onSessionClosed();
  void onPortalOwnerChanged(const QString& name, const QString& oldOwner, const QString& newOwner);

 private:
  // Asks whether the running portal offers GlobalShortcuts, and binds when it does.
  void probe();
  void bind();
  void closeSession();
  // Whether a signal of the portal is about our shortcut in our session.
  bool isOurs(const QDBusMessage& message) const;
  void bound(uint response, const QVariantMap& results, const QString& asked);
  void showTrigger(const QString& reported, const QString& asked);

  QDBusConnection bus_;
  KeyboardShortcuts& shortcuts_;
  NotificationCenter& notifications_;
  KeyName keyName_;
  QString description_;
  PortalStatus& status_;
  NotificationCenter::ObserverId observer_ = 0;
  QString session_;
  // Whether the portal on the bus offers GlobalShortcuts, as last answered.
  bool offered_ = false;
  // Counts probes and binds: an answer to an earlier one that comes after a later began is dropped.
  unsigned generation_ = 0;
  bool rebindQueued_ = false;
};

}  // namespace marbrel
