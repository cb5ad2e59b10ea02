// A small X (or, with QT_QPA_PLATFORM=wayland, Wayland) client for the end-to-end tests, in these roles:
//   marbrel_e2e_helper own-clipboard TYPE=VALUE...   offers the given formats on the clipboard (VALUE
//       "@FILE" reads the bytes from FILE), prints "owned" and serves them until another program
//       takes the clipboard (then it exits 0) or 120 seconds pass; on Wayland it first shows a small
//       window "MarbrelCopier", as a program may copy only while it has the keyboard
//   marbrel_e2e_helper stalled-clipboard TYPE...     offers the formats but never sends their bytes
//   marbrel_e2e_helper paste-target FILE             shows a text field titled "MarbrelPasteTarget";
//       its text is written to FILE after every change
//   marbrel_e2e_helper lock-group N                  selects the keyboard's layout group N (0 is the
//       first) and prints "group N" once the server reports it
//   marbrel_e2e_helper press KEYCODE...              presses the X key codes together, in order, and
//       releases them in reverse, as a person would (xdotool instead may switch the layout group
//       for the time of a press)
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <utility>
#include <unistd.h>
#include <vector>

#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QTimer>
#include <QWidget>
#include <QWindow>

// X11 headers last: their macros break Qt headers included after them.
#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#undef KeyPress  // an X event type; Qt's QEvent::KeyPress is meant below

namespace {

// Offers its formats but, asked for bytes by another program, blocks for good: an owner that never
// answers. (Qt itself looks at the data while taking the clipboard; that is answered.)
class StalledMimeData : public QMimeData {
 public:
  explicit StalledMimeData(QStringList formats) : formats_(std::move(formats)) {}
  QStringList formats() const override { return formats_; }
  bool hasFormat(const QString& format) const override { return formats_.contains(format); }
  void stall() { stalling_ = true; }

 protected:
  QVariant retrieveData(const QString&, QMetaType) const override {
    if (!stalling_) return {};
    std::printf("asked\n");
    std::fflush(stdout);
    for (;;) ::pause();
  }

 private:
  QStringList formats_;
  bool stalling_ = false;
};

// Calls its action once, at the first key press in the watched widget.
class KeyPressFilter : public QObject {
 public:
  explicit KeyPressFilter(std::function<void()> action) : action_(std::move(action)) {}
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::KeyPress && action_) std::exchange(action_, nullptr)();
    return QObject::eventFilter(watched, event);
  }

 private:
  std::function<void()> action_;
};

// Puts `mime` on the clipboard, prints "owned" and runs until another program takes the clipboard.
int serveClipboard(QApplication& app, QMimeData* mime) {
  QClipboard* clipboard = QGuiApplication::clipboard();
  auto own = [&app, clipboard, mime] {
    clipboard->setMimeData(mime, QClipboard::Clipboard);
    if (auto* stalled = dynamic_cast<StalledMimeData*>(mime)) stalled->stall();
    QObject::connect(clipboard, &QClipboard::changed, &app, [clipboard](QClipboard::Mode mode) {
      if (mode == QClipboard::Clipboard && !clipboard->ownsClipboard()) QCoreApplication::exit(0);
    });
    std::printf("owned\n");
    std::fflush(stdout);
  };
  QTimer::singleShot(120000, &app, [] { QCoreApplication::exit(3); });
  // A Wayland program may set the clipboard only in answer to input: show a window, say "ready" once
  // it has the keyboard, and copy at the first key pressed in it.
  std::unique_ptr<QWidget> window;
  if (QGuiApplication::platformName() == QLatin1String("wayland")) {
    window = std::make_unique<QWidget>();
    window->setWindowTitle(QStringLiteral("MarbrelCopier"));
    window->resize(200, 60);
    QObject::connect(&app, &QGuiApplication::focusWindowChanged, &app, [](QWindow* focus) {
      if (!focus) return;
      std::printf("ready\n");
      std::fflush(stdout);
    });
    auto* filter = new KeyPressFilter(own);
    window->installEventFilter(filter);
    window->show();
  } else {
    own();
  }
  return app.exec();
}

int ownClipboard(QApplication& app, const QStringList& pairs) {
  auto* mime = new QMimeData;
  for (const QString& pair : pairs) {
    const qsizetype equals = pair.indexOf(u'=');
    if (equals <= 0) {
      std::fprintf(stderr, "bad format: %s\n", qPrintable(pair));
      return 2;
    }
    const QString type = pair.left(equals);
    const QString value = pair.mid(equals + 1);
    QByteArray bytes = value.toUtf8();
    if (value.startsWith(u'@')) {
      QFile file(value.mid(1));
      if (!file.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "cannot read %s\n", qPrintable(value.mid(1)));
        return 2;
      }
      bytes = file.readAll();
    }
    mime->setData(type, bytes);
  }
  return serveClipboard(app, mime);
}

int pasteTarget(QApplication& app, const QString& path) {
  QPlainTextEdit editor;
  editor.setWindowTitle(QStringLiteral("MarbrelPasteTarget"));
  editor.resize(420, 160);
  editor.move(40, 560);
  QObject::connect(&editor, &QPlainTextEdit::textChanged, &editor, [&editor, path] {
    QFile file(path + QStringLiteral(".tmp"));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) return;
    file.write(editor.toPlainText().toUtf8());
    file.close();
    QFile::remove(path);
    QFile::rename(path + QStringLiteral(".tmp"), path);
  });
  editor.show();
  editor.activateWindow();
  editor.setFocus();
  QTimer::singleShot(300000, &app, [] { QCoreApplication::exit(3); });
  return app.exec();
}

Display* openDisplay() {
  Display* display = XOpenDisplay(nullptr);
  if (!display) std::fprintf(stderr, "cannot open the display\n");
  return display;
}

int lockGroup(const QString& number) {
  bool ok = false;
  const unsigned group = number.toUInt(&ok);
  if (!ok || group > 3) {
    std::fprintf(stderr, "bad group: %s\n", qPrintable(number));
    return 2;
  }
  Display* display = openDisplay();
  if (!display) return 1;
  XkbLockGroup(display, XkbUseCoreKbd, group);
  XSync(display, False);
  XkbStateRec state{};
  const bool locked = XkbGetState(display, XkbUseCoreKbd, &state) == Success && state.group == group;
  XCloseDisplay(display);
  if (!locked) return 1;
  std::printf("group %u\n", group);
  return 0;
}

int press(const QStringList& codes) {
  std::vector<unsigned> keys;
  for (const QString& code : codes) {
    bool ok = false;
    const unsigned key = code.toUInt(&ok);
    if (!ok || key < 8 || key > 255) {
      std::fprintf(stderr, "bad key code: %s\n", qPrintable(code));
      return 2;
    }
    keys.push_back(key);
  }
  Display* display = openDisplay();
  if (!display) return 1;
  for (const unsigned key : keys) XTestFakeKeyEvent(display, key, True, CurrentTime);
  for (auto key = keys.rbegin(); key != keys.rend(); ++key) XTestFakeKeyEvent(display, *key, False, CurrentTime);
  XSync(display, False);
  XCloseDisplay(display);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  const QStringList args = app.arguments().mid(1);
  if (args.size() >= 2 && args.front() == QStringLiteral("own-clipboard")) return ownClipboard(app, args.mid(1));
  if (args.size() >= 2 && args.front() == QStringLiteral("stalled-clipboard")) {
    return serveClipboard(app, new StalledMimeData(args.mid(1)));
  }
  if (args.size() == 2 && args.front() == QStringLiteral("paste-target")) return pasteTarget(app, args.at(1));
  if (args.size() == 2 && args.front() == QStringLiteral("lock-group")) return lockGroup(args.at(1));
  if (args.size() >= 2 && args.front() == QStringLiteral("press")) return press(args.mid(1));
  std::fprintf(stderr,
               "usage: marbrel_e2e_helper own-clipboard TYPE=VALUE... | stalled-clipboard TYPE... | paste-target FILE |"
               " lock-group N |"
               " press KEYCODE...\n");
  return 2;
}
