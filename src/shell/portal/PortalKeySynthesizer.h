#pragma once

#include <cstdint>
#include <deque>
#include <filesystem>
#include <optional>
#include <vector>

#include <QDBusConnection>
#include <QObject>
#include <QVariantMap>

#include "core/config/RemoteDesktopGrant.h"
#include "core/history/WaitingPaste.h"
#include "core/platform/KeySynthesizer.h"

namespace marbrel {

class PortalStatus;

// Synthetic keys through the desktop's RemoteDesktop portal, for Wayland sessions whose compositor
// offers no virtual keyboard: a keyboard-only remote-desktop session, asked for once, at the first
// paste. Where the portal can persist the permission (version 2), the restore token is kept in the
// settings folder, so later starts are not asked again. Keys are sent as keysyms, so the paste key is
// the letter (or Insert) itself whatever the layout. A refusal is remembered: keys are then not sent
// (entries are copied only) and `status` says why. The portal is watched on the bus: while none runs,
// keys go to the fallback; one that stops takes its session with it, and the next paste asks the next
// portal. Of the pastes asked for while the desktop's dialog is open, only the newest and recent one
// is typed.
class PortalKeySynthesizer : public QObject, public KeySynthesizer {
  Q_OBJECT

 public:
  // `grantFile` keeps the desktop's answer; `status`, `clock` (the age of waiting pastes) and
  // `fallback` are not owned and outlive this object.
  PortalKeySynthesizer(const QDBusConnection& bus, std::filesystem::path grantFile, PortalStatus& status,
                       const MainQueue& clock, KeySynthesizer& fallback, QObject* parent = nullptr);
  ~PortalKeySynthesizer() override;

  // Asks for the session when there is none yet; true once the desktop allowed it. While the answer
  // is awaited, posted keys wait for it.
  bool requestTrust() override;
  bool postKeyEvent(std::uint16_t keyCode, bool keyDown, std::uint64_t flags) override;
  // Keys go to the portal as the keysyms of the US keys at the codes; while none runs, the fallback
  // types them its own way.
  bool typesInItsOwnKeymap() const override { return portalOffered() || fallback_.typesInItsOwnKeymap(); }

  bool refused() const { return grant_.refused; }

 private Q_SLOTS:
  void onSessionClosed();
  void onPortalOwnerChanged(const QString& name, const QString& oldOwner, const QString& newOwner);

 private:
  enum class State { idle, asking, started };
  struct KeyEvent {
    int keysym;
    bool down;
  };

  // Asks whether the running portal offers RemoteDesktop.
  void probe();
  // Whether keys go to the portal: it offers RemoteDesktop, or the answer is still awaited.
  bool portalOffered() const { return !version_ || *version_ > 0; }
  void ask();
  void createSession(unsigned attempt, uint version);
  void started(uint response, const QVariantMap& results);
  void fail(bool refusedByUser);
  void send(const KeyEvent& event);
  // Sends the next queued event once the portal answered the one before.
  void pump();
  void forgetSession();

  QDBusConnection bus_;
  std::filesystem::path grantFile_;
  PortalStatus& status_;
  KeySynthesizer& fallback_;
  RemoteDesktopGrant grant_;
  // The interface version of the portal on the bus; none while it is being asked.
  std::optional<uint> version_;
  // Count probes, and requests for a session: answers to earlier ones are dropped.
  unsigned probe_ = 0;
  unsigned attempt_ = 0;
  State state_ = State::idle;
  QString session_;
  // The keys of the paste waiting for the session.
  WaitingPaste waiting_;
  // Events for the session, sent one at a time: the portal may handle calls in parallel, and a
  // Control released before the v would make the paste a plain "v".
  std::deque<KeyEvent> outgoing_;
  bool inFlight_ = false;
};

}  // namespace marbrel
