#include "shell/portal/PortalGlobalShortcuts.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusServiceWatcher>
#include <QList>
#include <QPair>
#include <QTimer>

#include <iostream>

#include "core/shortcuts/KeyboardShortcuts.h"
#include "core/shortcuts/Name.h"
#include "core/shortcuts/PortalTrigger.h"
#include "shell/portal/DesktopPortal.h"
#include "shell/portal/PortalRequest.h"
#include "shell/portal/PortalStatus.h"

namespace marbrel {

namespace {

using PortalShortcut = QPair<QString, QVariantMap>;
using PortalShortcuts = QList<PortalShortcut>;

const QString kShortcutId = QStringLiteral("popup");

// The shortcuts of a portal answer (a(sa{sv})) as id and properties.
PortalShortcuts readShortcuts(const QVariant& value) {
  PortalShortcuts list;
  if (value.canConvert<QDBusArgument>()) value.value<QDBusArgument>() >> list;
  return list;
}

QString objectPath(const QVariant& value) {
  if (value.canConvert<QDBusObjectPath>()) return value.value<QDBusObjectPath>().path();
  return value.toString();
}

}  // namespace

PortalGlobalShortcuts::PortalGlobalShortcuts(const QDBusConnection& bus, KeyboardShortcuts& shortcuts,
                                             NotificationCenter& notifications, KeyName keyName, QString description,
                                             PortalStatus& status, QObject* parent)
    : QObject(parent),
      bus_(bus),
      shortcuts_(shortcuts),
      notifications_(notifications),
      keyName_(std::move(keyName)),
      description_(std::move(description)),
      status_(status) {
  qDBusRegisterMetaType<PortalShortcut>();
  qDBusRegisterMetaType<PortalShortcuts>();
  const QString& service = desktop_portal::kService;
  const QString& path = desktop_portal::kPath;
  const QString& interface = desktop_portal::kGlobalShortcuts;
  bus_.connect(service, path, interface, QStringLiteral("Activated"), this, SLOT(onActivated(QDBusMessage)));
  bus_.connect(service, path, interface, QStringLiteral("Deactivated"), this, SLOT(onDeactivated(QDBusMessage)));
  bus_.connect(service, path, interface, QStringLiteral("ShortcutsChanged"), this,
               SLOT(onShortcutsChanged(QDBusMessage)));
  observer_ = notifications_.addObserver(KeyboardShortcuts::kShortcutByNameDidChange, [this](const Notification& n) {
    const auto it = n.userInfo.find("name");
    if (it == n.userInfo.end() || std::any_cast<Name>(it->second).rawValue != Name::popup().rawValue) return;
    // Changes come in bursts (recording pauses and resumes the hot keys): bind once, afterwards.
    if (rebindQueued_) return;
    rebindQueued_ = true;
    QTimer::singleShot(0, this, [this] {
      rebindQueued_ = false;
      bind();
    });
  });
}

PortalGlobalShortcuts::~PortalGlobalShortcuts() {
  notifications_.removeObserver(observer_);
  closeSession();
}

void PortalGlobalShortcuts::start() {
  auto* portal = new QDBusServiceWatcher(desktop_portal::kService, bus_, QDBusServiceWatcher::WatchForOwnerChange, this);
  connect(portal, &QDBusServiceWatcher::serviceOwnerChanged, this, &PortalGlobalShortcuts::onPortalOwnerChanged);
  probe();
}

void PortalGlobalShortcuts::probe() {
  const unsigned generation = ++generation_;
  desktop_portal::askVersion(bus_, desktop_portal::kGlobalShortcuts, this, [this, generation](uint version) {
    if (generation != generation_) return;
    offered_ = version > 0;
    if (!offered_) return;  // the desktop's own key binding is the way, unless a portal comes
    std::cerr << "marbrel: the shortcut through the desktop's GlobalShortcuts portal\n";
    bind();
  });
}

void PortalGlobalShortcuts::onPortalOwnerChanged(const QString&, const QString& oldOwner, const QString& newOwner) {
  if (!oldOwner.isEmpty()) {
    // Its sessions ended with it, without a word: nothing delivers the shortcut until a portal binds it again.
    ++generation_;
    if (!session_.isEmpty()) {
      bus_.disconnect(desktop_portal::kService, session_, desktop_portal::kSession, QStringLiteral("Closed"), this,
                      SLOT(onSessionClosed()));
      session_.clear();
    }
    if (offered_) {
      std::cerr << "marbrel: the desktop portal stopped; the shortcut is unbound until it is back\n";
      status_.setShortcut(PortalStatus::Shortcut::gone);
    }
    offered_ = false;
  }
  if (!newOwner.isEmpty()) probe();
}

QString PortalGlobalShortcuts::preferredTrigger() const {
  const auto shortcut = shortcuts_.getShortcut(Name::popup());
  if (!shortcut) return {};
  auto key = portal_trigger::fixedKeyName(shortcut->carbonKeyCode);
  if (!key && keyName_) key = keyName_(shortcut->carbonKeyCode);
  if (!key || key->empty()) return {};
  return QString::fromStdString(portal_trigger::text(*shortcut, *key));
}

void PortalGlobalShortcuts::bind() {
  if (!offered_) return;
  const unsigned generation = ++generation_;
  closeSession();
  const QString asked = preferredTrigger();
  if (asked.isEmpty()) {
    // Cleared: the desktop holds nothing for us.
    status_.setShortcut(PortalStatus::Shortcut::unused);
    return;
  }
  status_.setShortcut(PortalStatus::Shortcut::pending);
  const QVariantMap options{{QStringLiteral("session_handle_token"), PortalRequest::newToken("session")}};
  PortalRequest::call(
      bus_, desktop_portal::kGlobalShortcuts, QStringLiteral("CreateSession"), {options}, this,
      [this, generation, asked](uint response, const QVariantMap& results) {
        const QString session = objectPath(results.value(QStringLiteral("session_handle")));
        if (generation != generation_) {
          // A later bind began meanwhile: this session is not wanted.
          if (!session.isEmpty()) {
            bus_.send(QDBusMessage::createMethodCall(desktop_portal::kService, session, desktop_portal::kSession,
                                                          QStringLiteral("Close")));
          }
          return;
        }
        if (response != PortalRequest::kSuccess || session.isEmpty()) {
          status_.setShortcut(PortalStatus::Shortcut::refused);
          return;
        }
        session_ = session;
        bus_.connect(desktop_portal::kService, session_, desktop_portal::kSession, QStringLiteral("Closed"), this,
                     SLOT(onSessionClosed()));
        const PortalShortcuts wanted{
            {kShortcutId,
             {{QStringLiteral("description"), description_}, {QStringLiteral("preferred_trigger"), asked}}}};
        PortalRequest::call(bus_, desktop_portal::kGlobalShortcuts, QStringLiteral("BindShortcuts"),
                            {QVariant::fromValue(QDBusObjectPath(session)), QVariant::fromValue(wanted), QString(),
                             QVariantMap()},
                            this, [this, generation, asked](uint response, const QVariantMap& results) {
                              if (generation == generation_) bound(response, results, asked);
                            });
      });
}

void PortalGlobalShortcuts::bound(uint response, const QVariantMap& results, const QString& asked) {
  if (response != PortalRequest::kSuccess) {
    closeSession();
    status_.setShortcut(PortalStatus::Shortcut::refused);
    return;
  }
  for (const auto& [id, properties] : readShortcuts(results.value(QStringLiteral("shortcuts")))) {
    if (id == kShortcutId) {
      showTrigger(properties.value(QStringLiteral("trigger_description")).toString(), asked);
      return;
    }
  }
  // Answered, but without our shortcut: the desktop did not take it.
  status_.setShortcut(PortalStatus::Shortcut::refused);
}

void PortalGlobalShortcuts::showTrigger(const QString& reported, const QString& asked) {
  if (reported.trimmed().isEmpty()) {
    // Bound, but with no key: nothing delivers it until the user assigns one in the desktop.
    status_.setShortcut(PortalStatus::Shortcut::refused);
  } else if (portal_trigger::sameCombination(asked.toStdString(), reported.toStdString())) {
    status_.setShortcut(PortalStatus::Shortcut::bound, reported);
  } else {
    status_.setShortcut(PortalStatus::Shortcut::reassigned, reported);
  }
}

void PortalGlobalShortcuts::onSessionClosed() {
  bus_.disconnect(desktop_portal::kService, session_, desktop_portal::kSession, QStringLiteral("Closed"), this,
                  SLOT(onSessionClosed()));
  session_.clear();
  status_.setShortcut(PortalStatus::Shortcut::refused);
}

void PortalGlobalShortcuts::closeSession() {
  if (session_.isEmpty()) return;
  bus_.disconnect(desktop_portal::kService, session_, desktop_portal::kSession, QStringLiteral("Closed"), this,
                  SLOT(onSessionClosed()));
  bus_.send(QDBusMessage::createMethodCall(desktop_portal::kService, session_, desktop_portal::kSession,
                                                QStringLiteral("Close")));
  session_.clear();
}

bool PortalGlobalShortcuts::isOurs(const QDBusMessage& message) const {
  const QList<QVariant> arguments = message.arguments();
  return arguments.size() >= 2 && !session_.isEmpty() && objectPath(arguments.at(0)) == session_ &&
         arguments.at(1).toString() == kShortcutId;
}

void PortalGlobalShortcuts::onActivated(const QDBusMessage& message) {
  if (!isOurs(message)) return;
  // Run from a later turn of the loop: the action opens a menu, which must not happen inside the
  // bus's dispatch.
  QTimer::singleShot(0, this, [this] { shortcuts_.activate(Name::popup(), HotKeyService::EventKind::pressed); });
}

void PortalGlobalShortcuts::onDeactivated(const QDBusMessage& message) {
  if (!isOurs(message)) return;
  QTimer::singleShot(0, this, [this] { shortcuts_.activate(Name::popup(), HotKeyService::EventKind::released); });
}

void PortalGlobalShortcuts::onShortcutsChanged(const QDBusMessage& message) {
  const QList<QVariant> arguments = message.arguments();
  if (arguments.size() < 2 || objectPath(arguments.at(0)) != session_) return;
  for (const auto& [id, properties] : readShortcuts(arguments.at(1))) {
    if (id == kShortcutId) showTrigger(properties.value(QStringLiteral("trigger_description")).toString(), preferredTrigger());
  }
}

}  // namespace marbrel
