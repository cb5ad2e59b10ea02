#include "shell/SessionAdapters.h"

#include <iostream>

#include <QClipboard>
#include <QGuiApplication>
#include <QMessageBox>

#include <QDBusConnection>

#include "core/app/DesktopRoutes.h"
#include "core/config/RemoteDesktopGrant.h"
#include "core/platform/Strings.h"
#include "shell/DataControlPasteboard.h"
#include "shell/QtPasteboard.h"
#include "shell/WaylandConnection.h"
#include "shell/WaylandFrontWindow.h"
#include "shell/X11FrontWindow.h"
#include "shell/WaylandKeySynthesizer.h"
#include "shell/XTestKeySynthesizer.h"
#include "shell/portal/PortalKeySynthesizer.h"

namespace marbrel {

struct SessionAdapters::Owned {
  // Declared in the order of construction: the Wayland adapters go before their connection.
  std::unique_ptr<WaylandConnection> wayland;
  std::unique_ptr<DataControlPasteboard> dataControl;
  std::unique_ptr<WaylandKeySynthesizer> waylandKeys;
  std::unique_ptr<WaylandFrontWindow> waylandFront;
  std::unique_ptr<Pasteboard> withPrimary;
  std::unique_ptr<X11FrontWindow> x11Front;
  std::unique_ptr<QtPasteboard> qtPasteboard;
  std::unique_ptr<XTestKeySynthesizer> xtest;
  std::unique_ptr<PortalKeySynthesizer> portalKeys;

  ~Owned() {
    waylandKeys.reset();
    waylandFront.reset();
    withPrimary.reset();
    dataControl.reset();
    wayland.reset();
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

// Whether the paste goes through the RemoteDesktop portal: in a Wayland session, when the compositor
// gives neither a virtual keyboard nor fake input and the portal is offered. The bus is asked only
// then.
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
  offers.remoteDesktopPortal = PortalKeySynthesizer::offeredVersion(QDBusConnection::sessionBus()) > 0;
  return pasteRoute(offers) == PasteRoute::portal;
}

}  // namespace

SessionAdapters::SessionAdapters() : owned_(std::make_unique<Owned>()) {}
SessionAdapters::~SessionAdapters() = default;

std::unique_ptr<SessionAdapters> SessionAdapters::choose(X11Connection& x11, const Strings& strings,
                                                        PortalStatus& portalStatus) {
  std::unique_ptr<SessionAdapters> adapters(new SessionAdapters);
  Owned& owned = *adapters->owned_;
  owned.wayland = WaylandConnection::connectToCompositor();
  if (owned.wayland) owned.dataControl = DataControlPasteboard::create(*owned.wayland);
  if (owned.dataControl) {
    // Without a way to send keys, the first paste says so, once; copying still works.
    auto explain = [&strings] {
      auto* notice = new QMessageBox(QMessageBox::Information, QStringLiteral("Marbrel"),
                                     QString::fromStdString(strings.localized("paste_unavailable")), QMessageBox::Ok);
      notice->setAttribute(Qt::WA_DeleteOnClose);
      notice->setWindowModality(Qt::NonModal);
      notice->show();
    };
    owned.waylandKeys = std::make_unique<WaylandKeySynthesizer>(*owned.wayland, explain,
                                                                strings.localized("paste_permission_reason"));
    owned.withPrimary = std::make_unique<PrimaryThroughXWayland>(*owned.dataControl);
    adapters->pasteboard_ = owned.withPrimary.get();
    adapters->keys_ = owned.waylandKeys.get();
    owned.waylandFront = WaylandFrontWindow::create(*owned.wayland);
    if (owned.waylandFront) {
      adapters->frontWindow_ = owned.waylandFront.get();
    } else {
      owned.x11Front = std::make_unique<X11FrontWindow>(x11);
      adapters->frontWindow_ = owned.x11Front.get();
    }
    std::string pasteMethod = owned.waylandKeys->methodName();
    if (pastesThroughPortal(owned.waylandKeys->method(), /*capturesThroughX11=*/false)) {
      owned.portalKeys = std::make_unique<PortalKeySynthesizer>(QDBusConnection::sessionBus(),
                                                                RemoteDesktopGrant::standardFile(), portalStatus);
      adapters->keys_ = owned.portalKeys.get();
      pasteMethod = "the RemoteDesktop portal";
    }
    adapters->wayland_ = true;
    adapters->description_ = std::string("Wayland session: clipboard through ") + owned.dataControl->protocolName() +
                             ", paste through " + pasteMethod + ", window in front from " +
                             (owned.waylandFront ? "zwlr_foreign_toplevel_manager_v1" : "XWayland (X11 windows only)") +
                             ", windows on XWayland";
    return adapters;
  }
  owned.wayland.reset();
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
  // A Wayland session without data control (GNOME): XTest reaches X11 programs only; the portal, all.
  if (pastesThroughPortal(WaylandKeySynthesizer::Method::none, /*capturesThroughX11=*/true)) {
    owned.portalKeys = std::make_unique<PortalKeySynthesizer>(QDBusConnection::sessionBus(),
                                                              RemoteDesktopGrant::standardFile(), portalStatus);
    adapters->keys_ = owned.portalKeys.get();
    adapters->description_ = "Wayland session without a data-control protocol: X clipboard through XWayland "
                             "(copies of Wayland programs are seen only while an X11 window has the keyboard), "
                             "paste through the RemoteDesktop portal";
    return adapters;
  }
  adapters->description_ = qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")
                               ? "X11 session: X clipboard, paste through XTest"
                               : "Wayland session without a data-control protocol: X clipboard and XTest paste "
                                 "through XWayland (copies of Wayland programs are seen only while an X11 window "
                                 "has the keyboard)";
  return adapters;
}

}  // namespace marbrel
