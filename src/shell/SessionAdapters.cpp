#include "shell/SessionAdapters.h"

#include <iostream>

#include <QClipboard>
#include <QGuiApplication>
#include <QMessageBox>

#include <QDBusConnection>

#include "core/app/DesktopRoutes.h"
#include "core/config/RemoteDesktopGrant.h"
#include "core/platform/Strings.h"
#include "shell/doctor/ConnectionNote.h"
#include "shell/portal/PortalKeySynthesizer.h"
#include "shell/wayland/PlasmaFrontWindow.h"
#include "shell/wayland/ReconnectingKeySynthesizer.h"
#include "shell/wayland/ReconnectingPasteboard.h"
#include "shell/wayland/WaylandConnection.h"
#include "shell/wayland/WaylandFrontWindow.h"
#include "shell/x11/QtPasteboard.h"
#include "shell/x11/X11FrontWindow.h"
#include "shell/x11/XTestKeySynthesizer.h"

namespace marbrel {

struct SessionAdapters::Owned {
  // The clipboard and the keys each on a Wayland connection of their own, made again when lost.
  std::unique_ptr<ReconnectingPasteboard> dataControl;
  std::unique_ptr<ReconnectingKeySynthesizer> waylandKeys;
  // The toplevels are followed on the clipboard's connection, and again on each new one.
  std::unique_ptr<FrontWindow> waylandFront;
  std::unique_ptr<FrontWindow> front;
  std::unique_ptr<Pasteboard> withPrimary;
  std::unique_ptr<X11FrontWindow> x11Front;
  std::unique_ptr<QtPasteboard> qtPasteboard;
  std::unique_ptr<XTestKeySynthesizer> xtest;
  std::unique_ptr<PortalKeySynthesizer> portalKeys;

  ~Owned() {
    portalKeys.reset();  // it hands keys to the others while no portal runs
    waylandKeys.reset();
    front.reset();
    waylandFront.reset();  // its requests go on the clipboard's connection
    withPrimary.reset();
    if (dataControl) connection_note::remove();
    dataControl.reset();
  }
};

namespace {

// A data-control clipboard whose primary selection is written on XWayland's: X terminals read it
// there, and the compositor passes it on to Wayland programs.
class PrimaryThroughXWayland : public Pasteboard {
 public:
  explicit PrimaryThroughXWayland(Pasteboard& clipboard) : clipboard_(clipboard) {}
  std::int64_t changeCount() const override { return clipboard_.changeCount(); }
  std::vector<std::shared_ptr<const PasteboardItem>> items() const override { return clipboard_.items(); }
  void declareTypes(const std::vector<std::string>& types) override { clipboard_.declareTypes(types); }
  void setData(const std::optional<std::string>& data, const std::string& type) override {
    clipboard_.setData(data, type);
  }
  void setChangeHandler(std::function<void()> handler) override { clipboard_.setChangeHandler(std::move(handler)); }
  bool setPrimarySelectionText(const std::string& text) override {
    if (clipboard_.setPrimarySelectionText(text)) return true;
    QClipboard* x11 = QGuiApplication::clipboard();
    if (!x11 || !x11->supportsSelection()) return false;
    x11->setText(QString::fromStdString(text), QClipboard::Selection);
    return true;
  }

 private:
  Pasteboard& clipboard_;
};

// The program in front on a Wayland session with data control: the activated toplevel while the
// compositor names it, else (it does not offer the protocol, or the connection is being made again)
// the X server's active window, which sees XWayland's windows only.
class FollowedFrontWindow : public FrontWindow {
 public:
  FollowedFrontWindow(const std::unique_ptr<FrontWindow>& wayland, const FrontWindow& x11)
      : wayland_(wayland), x11_(x11) {}
  std::vector<std::string> applicationIds() const override {
    return wayland_ ? wayland_->applicationIds() : x11_.applicationIds();
  }

 private:
  const std::unique_ptr<FrontWindow>& wayland_;
  const FrontWindow& x11_;
};

// Whether the paste goes through the RemoteDesktop portal when one runs: in a Wayland session, when
// the compositor gives neither a virtual keyboard nor fake input. The portal itself is asked later,
// without waiting.
bool pastesThroughPortal(WaylandKeySynthesizer::Method method, bool capturesThroughX11) {
  DesktopOffers offers;
  offers.session = sessionFromEnvironment(std::getenv("XDG_SESSION_TYPE"), std::getenv("WAYLAND_DISPLAY"),
                                          std::getenv("DISPLAY"));
  if (offers.session != DesktopOffers::Session::wayland) return false;
  offers.xDisplay = true;
  offers.xtest = true;
  offers.wlrDataControl = !capturesThroughX11;
  offers.virtualKeyboard = method == WaylandKeySynthesizer::Method::virtualKeyboard;
  offers.fakeInput = method == WaylandKeySynthesizer::Method::kwinFakeInput;
  if (offers.virtualKeyboard || offers.fakeInput) return false;
  offers.remoteDesktopPortal = true;
  return pasteRoute(offers) == PasteRoute::portal;
}

// Follows the windows through the protocol the compositor offers that names the one in front:
// wlroots' foreign toplevels (on `connection`), else Plasma's window management (on a connection of
// its own); `protocol` tells which.
std::unique_ptr<FrontWindow> followFrontWindow(WaylandConnection& connection, const char*& protocol) {
  protocol = "zwlr_foreign_toplevel_manager_v1";
  if (auto toplevels = WaylandFrontWindow::create(connection)) return toplevels;
  protocol = "org_kde_plasma_window_management";
  if (auto plasma = PlasmaFrontWindow::create()) return plasma;
  protocol = "XWayland (X11 windows only)";
  return nullptr;
}

}  // namespace

SessionAdapters::SessionAdapters() : owned_(std::make_unique<Owned>()) {}
SessionAdapters::~SessionAdapters() = default;

std::unique_ptr<SessionAdapters> SessionAdapters::choose(X11Connection& x11, const Strings& strings,
                                                        PortalStatus& portalStatus, const MainQueue& clock) {
  std::unique_ptr<SessionAdapters> adapters(new SessionAdapters);
  Owned& owned = *adapters->owned_;
  owned.dataControl = ReconnectingPasteboard::connect();
  if (owned.dataControl) {
    // `marbrel doctor` tells of a lost connection too.
    // The toplevels are followed again on each new connection; the old one's go before it does.
    owned.dataControl->setStatusHandler([&owned](bool connected, const std::string& problem) {
      connection_note::write(connected, problem);
      owned.waylandFront.reset();
      if (WaylandConnection* connection = owned.dataControl->connection(); connected && connection) {
        const char* protocol = nullptr;
        owned.waylandFront = followFrontWindow(*connection, protocol);
      }
    });
    // Without a way to send keys, the first paste says so, once; copying still works.
    auto explain = [&strings] {
      auto* notice = new QMessageBox(QMessageBox::Information, QStringLiteral("Marbrel"),
                                     QString::fromStdString(strings.localized("paste_unavailable")), QMessageBox::Ok);
      notice->setAttribute(Qt::WA_DeleteOnClose);
      notice->setWindowModality(Qt::NonModal);
      notice->show();
    };
    owned.waylandKeys =
        std::make_unique<ReconnectingKeySynthesizer>(explain, strings.localized("paste_permission_reason"));
    owned.withPrimary = std::make_unique<PrimaryThroughXWayland>(*owned.dataControl);
    adapters->pasteboard_ = owned.withPrimary.get();
    adapters->keys_ = owned.waylandKeys.get();
    const char* frontProtocol = "XWayland (X11 windows only)";
    if (WaylandConnection* connection = owned.dataControl->connection()) {
      owned.waylandFront = followFrontWindow(*connection, frontProtocol);
    }
    owned.x11Front = std::make_unique<X11FrontWindow>(x11);
    owned.front = std::make_unique<FollowedFrontWindow>(owned.waylandFront, *owned.x11Front);
    adapters->frontWindow_ = owned.front.get();
    std::string pasteMethod = owned.waylandKeys->methodName();
    if (pastesThroughPortal(owned.waylandKeys->method(), /*capturesThroughX11=*/false)) {
      owned.portalKeys = std::make_unique<PortalKeySynthesizer>(
          QDBusConnection::sessionBus(), RemoteDesktopGrant::standardFile(), portalStatus, clock, *adapters->keys_);
      adapters->keys_ = owned.portalKeys.get();
      pasteMethod = "the RemoteDesktop portal while one runs, else " + pasteMethod;
    }
    adapters->wayland_ = true;
    adapters->description_ = std::string("Wayland session: clipboard through ") + owned.dataControl->protocolName() +
                             ", paste through " + pasteMethod + ", window in front from " + frontProtocol +
                             ", windows on XWayland";
    return adapters;
  }
  // Mutter (it alone announces GTK's shell) hands every Wayland selection to XWayland.
  bool xClipboardSeesWayland = false;
  if (!qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) {
    if (const auto compositor = WaylandConnection::connectToCompositor()) {
      xClipboardSeesWayland = compositor->global("gtk_shell1") != nullptr;
    }
  }
  owned.qtPasteboard = std::make_unique<QtPasteboard>();
  if (!owned.qtPasteboard->isWatching()) {
    std::cerr << "marbrel: the X server does not announce clipboard changes (no XFIXES extension); copies "
                 "are not recorded\n";
  }
  owned.xtest = std::make_unique<XTestKeySynthesizer>(x11);
  owned.x11Front = std::make_unique<X11FrontWindow>(x11);
  adapters->frontWindow_ = owned.x11Front.get();
  adapters->pasteboard_ = owned.qtPasteboard.get();
  adapters->keys_ = owned.xtest.get();
  const char* seenCopies = xClipboardSeesWayland
                               ? "(which the compositor fills with the copies of Wayland programs too)"
                               : "(copies of Wayland programs are seen only while an X11 window has the keyboard)";
  // A Wayland session without data control (GNOME): XTest reaches X11 programs only; the portal, all.
  if (pastesThroughPortal(WaylandKeySynthesizer::Method::none, /*capturesThroughX11=*/true)) {
    owned.portalKeys = std::make_unique<PortalKeySynthesizer>(
        QDBusConnection::sessionBus(), RemoteDesktopGrant::standardFile(), portalStatus, clock, *adapters->keys_);
    adapters->keys_ = owned.portalKeys.get();
    adapters->description_ = std::string("Wayland session without a data-control protocol: X clipboard through XWayland ") +
                             seenCopies + ", paste through the RemoteDesktop portal while one runs, else XTest";
    return adapters;
  }
  adapters->description_ = qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")
                               ? "X11 session: X clipboard, paste through XTest"
                               : std::string("Wayland session without a data-control protocol: X clipboard and XTest "
                                             "paste through XWayland ") + seenCopies;
  return adapters;
}

}  // namespace marbrel
