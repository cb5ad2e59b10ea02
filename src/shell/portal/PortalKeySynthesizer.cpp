#include "shell/portal/PortalKeySynthesizer.h"

#include <array>
#include <utility>

#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusServiceWatcher>

#include "shell/portal/DesktopPortal.h"
#include "shell/portal/PortalRequest.h"
#include "shell/portal/PortalStatus.h"

namespace marbrel {

namespace {

constexpr std::uint32_t kKeyboard = 1;
constexpr std::uint32_t kPersistUntilRevoked = 2;

constexpr std::uint64_t kShiftFlag = 0x20000;
constexpr std::uint64_t kControlFlag = 0x40000;
constexpr std::uint64_t kOptionFlag = 0x80000;
constexpr std::uint64_t kCommandFlag = 0x100000;

// Modifier keysyms: Command is the Control key, Option Alt, Control Super.
constexpr int kControlL = 0xffe3, kShiftL = 0xffe1, kAltL = 0xffe9, kSuperL = 0xffeb;

constexpr std::uint16_t kKeyCodeInsert = 114;  // where Apple keyboards have Help
constexpr int kInsert = 0xff63;

// The keysym of the letter (or Insert) at a virtual key code of the ANSI layout (the keys a paste
// combination needs), or 0.
int letterKeysym(std::uint16_t keyCode) {
  if (keyCode == kKeyCodeInsert) return kInsert;
  static constexpr std::array<std::pair<std::uint16_t, char>, 26> kLetters{{
      {0, 'a'},  {11, 'b'}, {8, 'c'},  {2, 'd'},  {14, 'e'}, {3, 'f'},  {5, 'g'},  {4, 'h'},  {34, 'i'},
      {38, 'j'}, {40, 'k'}, {37, 'l'}, {46, 'm'}, {45, 'n'}, {31, 'o'}, {35, 'p'}, {12, 'q'}, {15, 'r'},
      {1, 's'},  {17, 't'}, {32, 'u'}, {9, 'v'},  {13, 'w'}, {7, 'x'},  {16, 'y'}, {6, 'z'},
  }};
  for (const auto& [code, letter] : kLetters) {
    if (code == keyCode) return letter;  // Latin letters' keysyms are their ASCII codes
  }
  return 0;
}

std::vector<int> modifierKeysyms(std::uint64_t flags) {
  std::vector<int> keys;
  if (flags & kCommandFlag) keys.push_back(kControlL);
  if (flags & kShiftFlag) keys.push_back(kShiftL);
  if (flags & kOptionFlag) keys.push_back(kAltL);
  if (flags & kControlFlag) keys.push_back(kSuperL);
  return keys;
}

QString objectPath(const QVariant& value) {
  if (value.canConvert<QDBusObjectPath>()) return value.value<QDBusObjectPath>().path();
  return value.toString();
}

}  // namespace

PortalKeySynthesizer::PortalKeySynthesizer(const QDBusConnection& bus, std::filesystem::path grantFile,
                                           PortalStatus& status, const MainQueue& clock, KeySynthesizer& fallback,
                                           QObject* parent)
    : QObject(parent),
      bus_(bus),
      grantFile_(std::move(grantFile)),
      status_(status),
      fallback_(fallback),
      waiting_(clock) {
  grant_ = RemoteDesktopGrant::read(grantFile_);
  status_.setPaste(grant_.refused ? PortalStatus::Paste::refused : PortalStatus::Paste::granted);
  auto* portal = new QDBusServiceWatcher(desktop_portal::kService, bus_, QDBusServiceWatcher::WatchForOwnerChange, this);
  connect(portal, &QDBusServiceWatcher::serviceOwnerChanged, this, &PortalKeySynthesizer::onPortalOwnerChanged);
  probe();
}

PortalKeySynthesizer::~PortalKeySynthesizer() { forgetSession(); }

void PortalKeySynthesizer::probe() {
  version_.reset();
  const unsigned probe = ++probe_;
  desktop_portal::askVersion(bus_, desktop_portal::kRemoteDesktop, this, [this, probe](uint version) {
    if (probe == probe_) version_ = version;
  });
}

void PortalKeySynthesizer::onPortalOwnerChanged(const QString&, const QString& oldOwner, const QString& newOwner) {
  if (!oldOwner.isEmpty()) {
    // The session ended with the portal: the next paste asks the next one. The keys that waited are
    // dropped with the dialog they waited for.
    ++attempt_;
    if (!session_.isEmpty()) {
      bus_.disconnect(desktop_portal::kService, session_, desktop_portal::kSession, QStringLiteral("Closed"), this,
                      SLOT(onSessionClosed()));
    }
    session_.clear();
    outgoing_.clear();
    waiting_.clear();
    state_ = State::idle;
    version_ = 0;
  }
  if (!newOwner.isEmpty()) probe();
}

bool PortalKeySynthesizer::requestTrust() {
  if (!portalOffered()) return fallback_.requestTrust();
  if (state_ == State::idle && !grant_.refused) ask();
  return state_ == State::started;
}

bool PortalKeySynthesizer::postKeyEvent(std::uint16_t keyCode, bool keyDown, std::uint64_t flags) {
  if (!portalOffered()) return fallback_.postKeyEvent(keyCode, keyDown, flags);
  const int keysym = letterKeysym(keyCode);
  if (keysym == 0 || grant_.refused) return false;
  // Down: the modifiers, then the key; up: the key, then the modifiers in reverse.
  std::vector<KeyEvent> events;
  const std::vector<int> modifiers = modifierKeysyms(flags);
  if (keyDown) {
    for (int modifier : modifiers) events.push_back({modifier, true});
    events.push_back({keysym, true});
  } else {
    events.push_back({keysym, false});
    for (auto it = modifiers.rbegin(); it != modifiers.rend(); ++it) events.push_back({*it, false});
  }
  if (state_ == State::started) {
    for (const KeyEvent& event : events) send(event);
    return true;
  }
  // The first paste waits for the desktop's answer; a later one asked meanwhile replaces it.
  for (const KeyEvent& event : events) waiting_.hold({event.keysym, event.down});
  if (state_ == State::idle) ask();
  return true;
}

void PortalKeySynthesizer::ask() {
  state_ = State::asking;
  const unsigned attempt = ++attempt_;
  desktop_portal::askVersion(bus_, desktop_portal::kRemoteDesktop, this, [this, attempt](uint version) {
    if (attempt != attempt_) return;
    if (version == 0) {
      // No portal offers it after all: this paste is lost, the next goes to the fallback.
      version_ = 0;
      waiting_.clear();
      state_ = State::idle;
      return;
    }
    version_ = version;
    createSession(attempt, version);
  });
}

void PortalKeySynthesizer::createSession(unsigned attempt, uint version) {
  const QVariantMap sessionOptions{{QStringLiteral("session_handle_token"), PortalRequest::newToken("session")}};
  PortalRequest::call(
      bus_, desktop_portal::kRemoteDesktop, QStringLiteral("CreateSession"), {sessionOptions}, this,
      [this, attempt, version](uint response, const QVariantMap& results) {
        if (attempt != attempt_) return;
        session_ = objectPath(results.value(QStringLiteral("session_handle")));
        if (response != PortalRequest::kSuccess || session_.isEmpty()) return fail(response == PortalRequest::kCancelled);
        bus_.connect(desktop_portal::kService, session_, desktop_portal::kSession, QStringLiteral("Closed"), this,
                     SLOT(onSessionClosed()));
        QVariantMap devices{{QStringLiteral("types"), kKeyboard}};
        if (version >= 2) {
          // Kept until the user revokes it; the token of the last grant brings it back unasked.
          devices.insert(QStringLiteral("persist_mode"), kPersistUntilRevoked);
          if (grant_.restoreToken) devices.insert(QStringLiteral("restore_token"), QString::fromStdString(*grant_.restoreToken));
        }
        PortalRequest::call(
            bus_, desktop_portal::kRemoteDesktop, QStringLiteral("SelectDevices"),
            {QVariant::fromValue(QDBusObjectPath(session_)), devices}, this,
            [this, attempt](uint response, const QVariantMap&) {
              if (attempt != attempt_) return;
              if (response != PortalRequest::kSuccess) return fail(response == PortalRequest::kCancelled);
              PortalRequest::call(bus_, desktop_portal::kRemoteDesktop, QStringLiteral("Start"),
                                  {QVariant::fromValue(QDBusObjectPath(session_)), QString(), QVariantMap()}, this,
                                  [this, attempt](uint response, const QVariantMap& results) {
                                    if (attempt == attempt_) started(response, results);
                                  });
            });
      });
}

void PortalKeySynthesizer::started(uint response, const QVariantMap& results) {
  const bool keyboard = results.value(QStringLiteral("devices")).toUInt() & kKeyboard;
  if (response != PortalRequest::kSuccess || !keyboard) return fail(response == PortalRequest::kCancelled || !keyboard);
  state_ = State::started;
  // A token is good for one restore: the new one replaces it.
  const QString token = results.value(QStringLiteral("restore_token")).toString();
  if (!token.isEmpty() || grant_.restoreToken) {
    grant_.restoreToken = token.isEmpty() ? std::nullopt : std::optional<std::string>(token.toStdString());
    grant_.write(grantFile_);
  }
  status_.setPaste(PortalStatus::Paste::granted);
  // The newest paste asked for meanwhile, unless it waited too long to be still expected.
  for (const WaitingPaste::Key& key : waiting_.release()) send({key.code, key.down});
}

void PortalKeySynthesizer::fail(bool refusedByUser) {
  forgetSession();
  waiting_.clear();
  if (!refusedByUser) return;  // another failure may pass: the next paste asks again
  grant_ = RemoteDesktopGrant{std::nullopt, true};
  grant_.write(grantFile_);
  status_.setPaste(PortalStatus::Paste::refused);
}

void PortalKeySynthesizer::send(const KeyEvent& event) {
  outgoing_.push_back(event);
  pump();
}

void PortalKeySynthesizer::pump() {
  if (inFlight_ || outgoing_.empty() || session_.isEmpty()) return;
  const KeyEvent event = outgoing_.front();
  outgoing_.pop_front();
  QDBusMessage message = QDBusMessage::createMethodCall(desktop_portal::kService, desktop_portal::kPath,
                                                        desktop_portal::kRemoteDesktop,
                                                        QStringLiteral("NotifyKeyboardKeysym"));
  message << QVariant::fromValue(QDBusObjectPath(session_)) << QVariantMap() << event.keysym
          << uint(event.down ? 1 : 0);
  inFlight_ = true;
  auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(message), this);
  connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* w) {
    w->deleteLater();
    inFlight_ = false;
    pump();
  });
}

void PortalKeySynthesizer::onSessionClosed() {
  // The desktop ended the session (the user revoked it): the next paste asks again.
  bus_.disconnect(desktop_portal::kService, session_, desktop_portal::kSession, QStringLiteral("Closed"), this,
                  SLOT(onSessionClosed()));
  session_.clear();
  outgoing_.clear();
  state_ = State::idle;
}

void PortalKeySynthesizer::forgetSession() {
  outgoing_.clear();
  if (!session_.isEmpty()) {
    bus_.disconnect(desktop_portal::kService, session_, desktop_portal::kSession, QStringLiteral("Closed"), this,
                    SLOT(onSessionClosed()));
    bus_.send(QDBusMessage::createMethodCall(desktop_portal::kService, session_, desktop_portal::kSession,
                                                  QStringLiteral("Close")));
  }
  session_.clear();
  state_ = State::idle;
}

}  // namespace marbrel
