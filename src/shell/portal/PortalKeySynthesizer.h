#pragma once

#include <cstdint>
#include <deque>
#include <filesystem>
#include <vector>

#include <QDBusConnection>
#include <QObject>
#include <QVariantMap>

#include "core/config/RemoteDesktopGrant.h"
#include "core/platform/KeySynthesizer.h"

namespace marbrel {

class PortalStatus;

// Synthetic keys through the desktop's RemoteDesktop portal, for Wayland sessions whose compositor
// offers no virtual keyboard: a keyboard-only remote-desktop session, asked for once, at the first
// paste. Where the portal can persist the permission (version 2), the restore token is kept in the
// settings folder, so later starts are not asked again. Keys are sent as keysyms, so the paste key is
// the letter (or Insert) itself whatever the layout. A refusal is remembered: keys are then not sent (entries are
// copied only) and `status` says why.
class PortalKeySynthesizer : public QObject, public KeySynthesizer {
  Q_OBJECT

 public:
  // The portal's RemoteDesktop interface version; 0 when the session bus does not offer it.
  static uint offeredVersion(const QDBusConnection& bus);

  // `grantFile` keeps the desktop's answer; `status` (not owned) outlives this object.
  PortalKeySynthesizer(const QDBusConnection& bus, std::filesystem::path grantFile, PortalStatus& status,
                       QObject* parent = nullptr);
  ~PortalKeySynthesizer() override;

  // Asks for the session when there is none yet; true once the desktop allowed it. While the answer
  // is awaited, posted keys wait for it.
  bool requestTrust() override;
  bool postKeyEvent(std::uint16_t keyCode, bool keyDown, std::uint64_t flags) override;
  // Keys go out as the keysyms of the US keys at the codes.
  bool typesInItsOwnKeymap() const override { return true; }

  bool refused() const { return grant_.refused; }

 private Q_SLOTS:
  void onSessionClosed();

 private:
  enum class State { idle, asking, started };
  struct KeyEvent {
    int keysym;
    bool down;
  };

  void ask();
  void started(uint response, const QVariantMap& results);
  void fail(bool refusedByUser);
  void send(const KeyEvent& event);
  // Sends the next queued event once the portal answered the one before.
  void pump();
  void forgetSession();

  QDBusConnection bus_;
  std::filesystem::path grantFile_;
  PortalStatus& status_;
  RemoteDesktopGrant grant_;
  uint version_ = 0;
  State state_ = State::idle;
  QString session_;
  std::vector<KeyEvent> waiting_;
  // Events for the session, sent one at a time: the portal may handle calls in parallel, and a
  // Control released before the v would make the paste a plain "v".
  std::deque<KeyEvent> outgoing_;
  bool inFlight_ = false;
};

}  // namespace marbrel
