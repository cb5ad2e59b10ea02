#include "shell/qt/PaintTrace.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <QApplication>
#include <QEvent>
#include <QWidget>

namespace marbrel {

namespace {

// Lets the tray icon's window paint, then notes the paint. Qt draws the icon in a private widget
// class, so it is recognised by name.
class TrayPaintFilter : public QObject {
 public:
  using QObject::QObject;

  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() != QEvent::Paint || painting_ || !watched->isWidgetType()) return false;
    if (std::strcmp(watched->metaObject()->className(), "QSystemTrayIconSys") != 0) return false;
    auto* widget = static_cast<QWidget*>(watched);
    painting_ = true;
    watched->event(event);  // the widget's own handling, past the filters
    painting_ = false;
    PaintTrace::note("tray", static_cast<long long>(widget->winId()));
    return true;
  }

 private:
  bool painting_ = false;
};

}  // namespace

bool PaintTrace::enabled() {
  static const bool on = [] {
    const char* value = std::getenv("MARBREL_TRACE_PAINT");
    return value && *value && std::strcmp(value, "0") != 0;
  }();
  return on;
}

void PaintTrace::note(std::string_view what, long long detail) {
  if (!enabled()) return;
  const auto now = std::chrono::duration_cast<std::chrono::nanoseconds>(
      std::chrono::steady_clock::now().time_since_epoch());
  std::fprintf(stderr, "marbrel-trace %.*s %lld %lld\n", int(what.size()), what.data(), detail,
               static_cast<long long>(now.count()));
  std::fflush(stderr);
}

void PaintTrace::watchTrayIcon() {
  if (!enabled() || !qApp) return;
  qApp->installEventFilter(new TrayPaintFilter(qApp));
}

}  // namespace marbrel
