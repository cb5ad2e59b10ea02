#include "shell/SessionAdapters.h"

#include <iostream>

#include <QMessageBox>

#include "core/platform/Strings.h"
#include "shell/DataControlPasteboard.h"
#include "shell/QtPasteboard.h"
#include "shell/WaylandConnection.h"
#include "shell/WaylandKeySynthesizer.h"
#include "shell/XTestKeySynthesizer.h"

namespace marbrel {

struct SessionAdapters::Owned {
  // Declared in the order of construction: the Wayland adapters go before their connection.
  std::unique_ptr<WaylandConnection> wayland;
  std::unique_ptr<DataControlPasteboard> dataControl;
  std::unique_ptr<WaylandKeySynthesizer> waylandKeys;
  std::unique_ptr<QtPasteboard> qtPasteboard;
  std::unique_ptr<XTestKeySynthesizer> xtest;

  ~Owned() {
    waylandKeys.reset();
    dataControl.reset();
    wayland.reset();
  }
};

SessionAdapters::SessionAdapters() : owned_(std::make_unique<Owned>()) {}
SessionAdapters::~SessionAdapters() = default;

std::unique_ptr<SessionAdapters> SessionAdapters::choose(X11Connection& x11, const Strings& strings) {
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
    adapters->pasteboard_ = owned.dataControl.get();
    adapters->keys_ = owned.waylandKeys.get();
    adapters->wayland_ = true;
    adapters->description_ = std::string("Wayland session: clipboard through ") + owned.dataControl->protocolName() +
                             ", paste through " + owned.waylandKeys->methodName() + ", windows on XWayland";
    return adapters;
  }
  owned.wayland.reset();
  owned.qtPasteboard = std::make_unique<QtPasteboard>();
  if (!owned.qtPasteboard->isWatching()) {
    std::cerr << "marbrel: the X server does not announce clipboard changes (no XFIXES extension); copies "
                 "are not recorded\n";
  }
  owned.xtest = std::make_unique<XTestKeySynthesizer>(x11);
  adapters->pasteboard_ = owned.qtPasteboard.get();
  adapters->keys_ = owned.xtest.get();
  adapters->description_ = qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")
                               ? "X11 session: X clipboard, paste through XTest"
                               : "Wayland session without a data-control protocol: X clipboard and XTest paste "
                                 "through XWayland (copies of Wayland programs are seen only while an X11 window "
                                 "has the keyboard)";
  return adapters;
}

}  // namespace marbrel
