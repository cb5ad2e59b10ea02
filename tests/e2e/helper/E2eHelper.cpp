// A small X (or, with QT_QPA_PLATFORM=wayland, Wayland) client for the end-to-end tests; see usage
// below. Clipboard owners print "owned" once they own it and leave when another program takes it;
// slow-clipboard answers each request for its text only MS milliseconds after it came.
// paste-target writes its text field's text to FILE after every change. lock-group selects layout
// group N; press presses X key codes together and releases them in reverse, as a person would.
// keyboard-grabbed prints "grabbed" while another client holds the keyboard (the open menu), else "free".
// keyboard types Linux key codes one after another on a Wayland keyboard of the layout given.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>
#include <unistd.h>

#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QSaveFile>
#include <QTimer>
#include <QWindow>

// X11 headers last: their macros break Qt headers included after them.
#include <X11/XKBlib.h>
#include <X11/extensions/XTest.h>
#undef KeyPress  // an X event type; Qt's QEvent::KeyPress is meant below

namespace {

void say(const char* word) {
  std::printf("%s\n", word);
  std::fflush(stdout);
}

// Offers its formats once `stalling` (Qt itself looks at the data while taking the clipboard), and
// blocks when another program asks for bytes: for good, or for `answerAfterMs` before giving `bytes`.
class StalledMimeData : public QMimeData {
 public:
  explicit StalledMimeData(QStringList formats, int answerAfterMs = -1, QByteArray bytes = {})
      : formats_(std::move(formats)), answerAfterMs_(answerAfterMs), bytes_(std::move(bytes)) {}
  QStringList formats() const override { return formats_; }
  bool stalling = false;

 protected:
  QVariant retrieveData(const QString&, QMetaType) const override {
    if (!stalling) return {};
    say("asked");
    if (answerAfterMs_ < 0) {
      for (;;) ::pause();
    }
    ::usleep(useconds_t(answerAfterMs_) * 1000);
    return bytes_;
  }

 private:
  QStringList formats_;
  int answerAfterMs_;
  QByteArray bytes_;
};

// A window that calls `onKey` once, at the first key pressed in it.
struct KeyWindow : QWidget {
  std::function<void()> onKey;
  void keyPressEvent(QKeyEvent*) override {
    if (onKey) std::exchange(onKey, nullptr)();
  }
};

// Puts `mime` on the clipboard, prints "owned" and runs until another program takes the clipboard.
int serveClipboard(QApplication& app, QMimeData* mime) {
  QClipboard* clipboard = QGuiApplication::clipboard();
  auto own = [&app, clipboard, mime] {
    clipboard->setMimeData(mime, QClipboard::Clipboard);
    if (auto* stalled = dynamic_cast<StalledMimeData*>(mime)) stalled->stalling = true;
    QObject::connect(clipboard, &QClipboard::changed, &app, [clipboard](QClipboard::Mode mode) {
      if (mode == QClipboard::Clipboard && !clipboard->ownsClipboard()) QCoreApplication::exit(0);
    });
    say("owned");
  };
  QTimer::singleShot(120000, &app, [] { QCoreApplication::exit(3); });
  // On Wayland: a window that says "ready" once it has the keyboard and copies at the first key.
  KeyWindow window;
  if (QGuiApplication::platformName() == QLatin1String("wayland")) {
    window.setWindowTitle(QStringLiteral("MarbrelCopier"));
    window.resize(200, 60);
    QObject::connect(&app, &QGuiApplication::focusWindowChanged, &app, [](QWindow* focus) {
      if (focus) say("ready");
    });
    window.onKey = own;
    window.show();
  } else {
    own();
  }
  return app.exec();
}

// Each argument is TYPE=@FILE, the file holding the bytes.
int ownClipboard(QApplication& app, const QStringList& pairs) {
  auto* mime = new QMimeData;
  for (const QString& pair : pairs) {
    QFile file(pair.mid(pair.indexOf(u'=') + 2));
    if (!file.open(QIODevice::ReadOnly)) return 2;
    mime->setData(pair.left(pair.indexOf(u'=')), file.readAll());
  }
  return serveClipboard(app, mime);
}

int pasteTarget(QApplication& app, const QString& path) {
  QPlainTextEdit editor;
  editor.setWindowTitle(QStringLiteral("MarbrelPasteTarget"));
  editor.resize(420, 160);
  editor.move(40, 560);
  QObject::connect(&editor, &QPlainTextEdit::textChanged, &editor, [&editor, path] {
    QSaveFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(editor.toPlainText().toUtf8());
    file.commit();
  });
  // Where the compositor does not tell who has the keyboard (Mutter, KWin), the window does.
  QObject::connect(&app, &QGuiApplication::focusWindowChanged, &app, [](QWindow* focus) { say(focus ? "focused" : "unfocused"); });
  editor.show();
  editor.activateWindow();
  editor.setFocus();
  QTimer::singleShot(300000, &app, [] { QCoreApplication::exit(3); });
  return app.exec();
}

int lockGroup(Display* display, unsigned group) {
  XkbLockGroup(display, XkbUseCoreKbd, group);
  XSync(display, False);
  XkbStateRec state{};
  if (XkbGetState(display, XkbUseCoreKbd, &state) != Success || state.group != group) return 1;
  say(("group " + std::to_string(group)).c_str());
  return 0;
}

// Whether another client holds the keyboard: a grab of our own is refused as AlreadyGrabbed.
int keyboardGrabbed(Display* display) {
  const int status = XGrabKeyboard(display, DefaultRootWindow(display), False, GrabModeAsync, GrabModeAsync, CurrentTime);
  if (status == GrabSuccess) XUngrabKeyboard(display, CurrentTime);
  XSync(display, False);
  say(status == AlreadyGrabbed ? "grabbed" : "free");
  return 0;
}

int press(Display* display, const QStringList& codes) {
  for (const QString& code : codes) XTestFakeKeyEvent(display, code.toUInt(), True, CurrentTime);
  for (auto code = codes.rbegin(); code != codes.rend(); ++code) XTestFakeKeyEvent(display, code->toUInt(), False, CurrentTime);
  XSync(display, False);
  return 0;
}

}  // namespace

int typeOnKeyboard(const std::string& layout, const std::string& variant, const std::vector<std::uint32_t>& keys);

int main(int argc, char** argv) {
  if (argc >= 4 && std::string(argv[1]) == "keyboard") {
    std::vector<std::uint32_t> keys;
    for (int i = 4; i < argc; ++i) keys.push_back(std::uint32_t(std::strtoul(argv[i], nullptr, 10)));
    return typeOnKeyboard(argv[2], argv[3], keys);
  }
  QStringList args;
  for (int i = 1; i < argc; ++i) args << QString::fromLocal8Bit(argv[i]);
  const QString command = args.value(0);
  // The key and layout commands talk to the X server alone: no Qt start-up to fail or slow them.
  if (command == QStringLiteral("lock-group") || command == QStringLiteral("press") ||
      command == QStringLiteral("keyboard-grabbed")) {
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
      std::fprintf(stderr, "marbrel_e2e_helper: cannot open the display\n");
      return 1;
    }
    if (command == QStringLiteral("lock-group") && args.size() == 2) return lockGroup(display, args.at(1).toUInt());
    if (command == QStringLiteral("press")) return press(display, args.mid(1));
    if (command == QStringLiteral("keyboard-grabbed")) return keyboardGrabbed(display);
  }
  QApplication app(argc, argv);
  if (command == QStringLiteral("own-clipboard")) return ownClipboard(app, args.mid(1));
  if (command == QStringLiteral("stalled-clipboard")) return serveClipboard(app, new StalledMimeData(args.mid(1)));
  if (command == QStringLiteral("slow-clipboard") && args.size() == 4) {
    return serveClipboard(app, new StalledMimeData({args.at(2)}, args.at(1).toInt(), args.at(3).toUtf8()));
  }
  if (command == QStringLiteral("paste-target") && args.size() == 2) return pasteTarget(app, args.at(1));
  std::fprintf(stderr, "usage: marbrel_e2e_helper own-clipboard TYPE=@FILE... | stalled-clipboard TYPE... | "
                       "slow-clipboard MS TYPE TEXT | paste-target FILE | lock-group N | press KEYCODE... | keyboard-grabbed | "
                       "keyboard LAYOUT VARIANT EVDEV...\n");
  return 2;
}
