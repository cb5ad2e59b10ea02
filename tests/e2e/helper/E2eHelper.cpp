// A small X (or, with QT_QPA_PLATFORM=wayland, Wayland) client for the end-to-end tests; see usage
// below. Clipboard owners print "owned" once they own it and leave when another program takes it
// (or after 120 s); on Wayland they first show a window "MarbrelCopier" and copy at its first key
// press, as a program may copy only while it has the keyboard. stall-clipboard (X11) answers with
// an incremental transfer that never ends ("asked", then "piece" per byte, one every half second);
// stalled-clipboard never sends bytes ("asked"). paste-target shows a text field titled
// "MarbrelPasteTarget" and writes its text to FILE after every change. lock-group selects layout
// group N and prints "group N"; press presses X key codes together and releases them in reverse,
// as a person would (xdotool may switch the layout group for a press).
#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <utility>
#include <sys/select.h>
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
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#undef KeyPress  // an X event type; Qt's QEvent::KeyPress is meant below

namespace {

// Tells the test a step was reached; the test reads the output as it comes.
void say(const char* word) {
  std::printf("%s\n", word);
  std::fflush(stdout);
}

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
    say("asked");
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
    say("owned");
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
      say("ready");
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

// A clipboard owner that never finishes answering: it names its formats at once, but sends the text
// incrementally, one byte every half second, without ever ending the transfer.
int stallClipboard() {
  Display* display = openDisplay();
  if (!display) return 1;
  const Atom clipboard = XInternAtom(display, "CLIPBOARD", False);
  const Atom targets = XInternAtom(display, "TARGETS", False);
  const Atom incr = XInternAtom(display, "INCR", False);
  const Atom utf8 = XInternAtom(display, "UTF8_STRING", False);
  const Atom textPlain = XInternAtom(display, "text/plain", False);
  const Window window = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 1, 1, 0, 0, 0);
  XSetSelectionOwner(display, clipboard, window, CurrentTime);
  if (XGetSelectionOwner(display, clipboard) != window) return 1;
  say("owned");

  Window reader = None;  // the window an endless transfer goes to
  Atom property = None;
  bool pieceWanted = false;
  auto nextPiece = std::chrono::steady_clock::now();
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(120);
  while (std::chrono::steady_clock::now() < end) {
    if (pieceWanted && reader != None && std::chrono::steady_clock::now() >= nextPiece) {
      XChangeProperty(display, reader, property, utf8, 8, PropModeReplace,
                      reinterpret_cast<const unsigned char*>("x"), 1);
      pieceWanted = false;
      nextPiece = std::chrono::steady_clock::now() + std::chrono::milliseconds(500);
      say("piece");
    }
    XFlush(display);
    if (!XPending(display)) {
      fd_set fds;
      FD_ZERO(&fds);
      FD_SET(ConnectionNumber(display), &fds);
      timeval wait{0, 100000};
      ::select(ConnectionNumber(display) + 1, &fds, nullptr, nullptr, &wait);
      continue;
    }
    XEvent event;
    XNextEvent(display, &event);
    if (event.type == SelectionClear) break;
    if (event.type == PropertyNotify && event.xproperty.window == reader && event.xproperty.atom == property &&
        event.xproperty.state == PropertyDelete) {
      pieceWanted = true;  // sent half a second after the one before
      continue;
    }
    if (event.type != SelectionRequest) continue;
    const XSelectionRequestEvent& request = event.xselectionrequest;
    XSelectionEvent answer{};
    answer.type = SelectionNotify;
    answer.requestor = request.requestor;
    answer.selection = request.selection;
    answer.target = request.target;
    answer.time = request.time;
    answer.property = request.property;
    if (request.target == targets) {
      const Atom offered[] = {targets, utf8, textPlain};
      XChangeProperty(display, request.requestor, request.property, XA_ATOM, 32, PropModeReplace,
                      reinterpret_cast<const unsigned char*>(offered), 3);
    } else if (request.target == utf8 || request.target == textPlain) {
      if (reader != None) XSelectInput(display, reader, NoEventMask);
      reader = request.requestor;
      property = request.property;
      XSelectInput(display, reader, PropertyChangeMask);
      const long size = 1 << 20;
      XChangeProperty(display, reader, property, incr, 32, PropModeReplace,
                      reinterpret_cast<const unsigned char*>(&size), 1);
      say("asked");
    } else {
      answer.property = None;
    }
    XSendEvent(display, request.requestor, False, NoEventMask, reinterpret_cast<XEvent*>(&answer));
  }
  XCloseDisplay(display);
  return 0;
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
  if (args.size() == 1 && args.front() == QStringLiteral("stall-clipboard")) return stallClipboard();
  if (args.size() >= 2 && args.front() == QStringLiteral("stalled-clipboard")) {
    return serveClipboard(app, new StalledMimeData(args.mid(1)));
  }
  if (args.size() == 2 && args.front() == QStringLiteral("paste-target")) return pasteTarget(app, args.at(1));
  if (args.size() == 2 && args.front() == QStringLiteral("lock-group")) return lockGroup(args.at(1));
  if (args.size() >= 2 && args.front() == QStringLiteral("press")) return press(args.mid(1));
  std::fprintf(stderr, "usage: marbrel_e2e_helper own-clipboard TYPE=VALUE(@FILE)... | stall-clipboard | "
                       "stalled-clipboard TYPE... | paste-target FILE | lock-group N | press KEYCODE...\n");
  return 2;
}
