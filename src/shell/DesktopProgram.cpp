#include "shell/DesktopProgram.h"

#include <csignal>
#include <cstdlib>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <vector>
#include <utility>
#include <sys/socket.h>
#include <unistd.h>

#include <QApplication>
#include <QDBusConnection>
#include <QFile>
#include <QSessionManager>
#include <QSocketNotifier>

#include "cli/CommandLine.h"
#include "core/app/AppDelegate.h"
#include "core/app/AppEnvironment.h"
#include "core/app/DesktopRoutes.h"
#include "core/app/Marbrel.h"
#include "core/app/PreferenceMenuKeyEquivalents.h"
#include "core/config/Configuration.h"
#include "core/config/Defaults.h"
#include "core/config/ProcessArguments.h"
#include "core/history/HistoryStore.h"
#include "core/history/StoreLock.h"
#include "core/keylayout/Sauce.h"
#include "core/menu/Menu.h"
#include "core/platform/NotificationCenter.h"
#include "core/platform/PreferencesWindow.h"
#include "core/shortcuts/KeyboardShortcuts.h"
#include "launcher/HandOver.h"
#include "shell/SessionAdapters.h"
#include "shell/SingleInstance.h"
#include "shell/menu/MenuImages.h"
#include "shell/menu/MenuPopup.h"
#include "shell/menu/QtAlerts.h"
#include "shell/menu/QtMenuPresenter.h"
#include "shell/menu/QtStatusItem.h"
#include "shell/portal/PortalGlobalShortcuts.h"
#include "shell/portal/PortalStatus.h"
#include "shell/preferences/AboutWindowPresenter.h"
#include "shell/preferences/QtPreferencesWindow.h"
#include "shell/qt/DefaultsFolderWatcher.h"
#include "shell/qt/EnglishTranslator.h"
#include "shell/qt/PaintTrace.h"
#include "shell/qt/QtApplication.h"
#include "shell/qt/QtImageDecoder.h"
#include "shell/qt/QtMainQueue.h"
#include "shell/qt/QtStrings.h"
#include "shell/x11/DesktopContrast.h"
#include "shell/x11/X11Connection.h"
#include "shell/x11/X11HotKeyService.h"
#include "shell/x11/X11KeyboardLayoutSource.h"
#include "shell/x11/X11WindowActivation.h"
#include "shell/x11/X11XSettingsSource.h"
#include "xkb/KeysymText.h"
#include "xkb/XkbKeyboardLayout.h"

namespace marbrel {

namespace {

// SIGTERM and SIGINT end the program like a session ending: the history is committed first. The
// handler only writes to a socket; the event loop does the work.
int signalSockets[2] = {-1, -1};

void onSignal(int) {
  const char byte = 1;
  [[maybe_unused]] const auto written = ::write(signalSockets[0], &byte, 1);
}

void installTerminationHandler(const std::function<void()>& terminate) {
  if (::socketpair(AF_UNIX, SOCK_STREAM, 0, signalSockets) != 0) return;
  auto* notifier = new QSocketNotifier(signalSockets[1], QSocketNotifier::Read, qApp);
  QObject::connect(notifier, &QSocketNotifier::activated, qApp, [terminate, notifier] {
    char byte = 0;
    [[maybe_unused]] const auto read = ::read(signalSockets[1], &byte, 1);
    notifier->setEnabled(false);
    terminate();
  });
  struct sigaction action = {};
  action.sa_handler = onSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  sigaction(SIGTERM, &action, nullptr);
  sigaction(SIGINT, &action, nullptr);
}

// Says on standard error and in a notice that the program `holder` keeps the history.
void tellHistoryInUse(const StoreLock::Holder& holder) {
  const QtStrings strings;
  const std::vector<std::string> arguments = {holder.display.empty() ? "?" : holder.display,
                                              holder.pid > 0 ? std::to_string(holder.pid) : "?"};
  QString text = QString::fromStdString(strings.localized("history_in_use_text"));
  for (const std::string& argument : arguments) text = text.arg(QString::fromStdString(argument));
  std::cerr << "marbrel: " << strings.localized("history_in_use") << ". " << text.toStdString() << "\n";
  QtAlerts(strings).runModal({"history_in_use", "history_in_use_text", Alerts::Style::warning, {"ok"}, arguments});
}

}  // namespace

int runDesktopProgram(int argc, char** argv) {
  const cli::DesktopStart start = cli::desktopStart(std::vector<std::string>(argv + 1, argv + argc));
  // The display that "-display" names is the one this program runs on: its lock, its socket and its
  // own X connection follow it.
  if (!start.display.empty()) qputenv("DISPLAY", QByteArray::fromStdString(start.display));
  // The windows and the key grabs are X11's, so in a Wayland session the program's windows are on
  // XWayland rather than on a Wayland platform plugin; the clipboard and the paste then go through
  // the compositor's own protocols where it offers them (SessionAdapters).
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "xcb");
  // Without an X display Qt would abort; say what is missing instead.
  const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
  if ((platform.isEmpty() || platform.startsWith("xcb")) && !X11Connection::canOpenDisplay()) {
    std::cerr << "marbrel: cannot open the X display" << (qEnvironmentVariableIsEmpty("DISPLAY") ? " ($DISPLAY is not set)" : "")
              << "; the desktop program needs X11 (or XWayland). The sub-commands work without one: marbrel help\n";
    return 1;
  }
  // The single instance's socket. "ui-testing" has none: with a history of its own in memory it
  // runs beside the program and never answers for it.
  std::string socketPath;
  if (!start.standsAlone) {
    std::string problem;
    socketPath = handOverSocketPath(&problem);
    if (socketPath.empty()) {
      std::cerr << "marbrel: " << problem << "\n";
      return 1;
    }
  }
  // A later bare launch hands over to the running program before setting up an application of its
  // own, which would take most of its time. (The `marbrel` command already tried; this serves the
  // program started on its own.) When that cannot decide, claim() below does.
  if (start.handsOver) {
    switch (handOver(socketPath)) {
      case HandOver::handedOver:
        return 0;
      case HandOver::unanswered:
        std::cerr << kUnansweredMessage;
        return 1;
      case HandOver::notTaken:
        break;
    }
  }
  QApplication application(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Marbrel"));
  QApplication::setApplicationVersion(QStringLiteral(MARBREL_VERSION));
  QApplication::setDesktopFileName(QStringLiteral("org.marbrel.Marbrel"));
  QApplication::setQuitOnLastWindowClosed(false);
  QApplication::setWindowIcon(ApplicationImages::applicationIcon());
  PaintTrace::watchTrayIcon();
  auto* english = new EnglishTranslator(&application);
  QApplication::installTranslator(english);

  const ProcessArguments arguments(argc, argv);
  // Before anything else, so that of two launches at the same moment only one goes on. Then the
  // history's own lock: one history has one writer, whatever display its program runs on.
  std::unique_ptr<SingleInstance> instance;
  std::optional<StoreLock> storeLock;
  if (!start.standsAlone) {
    instance = std::make_unique<SingleInstance>(QFile::decodeName(QByteArray::fromStdString(socketPath)));
    switch (instance->claim(start.handsOver ? SingleInstance::Others::askToReopen : SingleInstance::Others::leaveAlone)) {
      case SingleInstance::Role::running:
        break;
      case SingleInstance::Role::handedOver:
        return 0;
      case SingleInstance::Role::unanswered:
        std::cerr << kUnansweredMessage;
        return 1;
      case SingleInstance::Role::elsewhere:
        std::cerr << "marbrel: Marbrel already runs on this display; started with arguments, this one leaves it alone\n";
        return kExitHistoryInUse;
    }
    storeLock.emplace(StoreLock::take(HistoryStore::standardFile(), normalizedDisplay(qgetenv("DISPLAY").toStdString())));
    switch (storeLock->state()) {
      case StoreLock::State::held:
        break;
      case StoreLock::State::heldElsewhere:
        tellHistoryInUse(storeLock->holder());
        return kExitHistoryInUse;
      case StoreLock::State::unavailable:
        std::cerr << "marbrel: " << storeLock->problem() << "; nothing keeps another Marbrel from writing the history\n";
        break;
    }
  }

  X11Connection x11;
  if (!x11.isOpen()) {
    std::cerr << "marbrel: cannot open the X display; the desktop program needs X11 (or XWayland)\n";
    return 1;
  }

  Defaults defaults(Defaults::standardFile());
  if (!defaults.lastError().empty()) std::cerr << "marbrel: " << defaults.lastError() << "\n";
  defaults.onProblem([](const std::string& message) { std::cerr << "marbrel: " << message << "\n"; });
  Configuration configuration(defaults, arguments);
  DefaultsFolderWatcher watcher(defaults);

  QtMainQueue queue;
  QtImageDecoder images;
  QtStrings strings;
  // What the desktop portals answered, for the preferences to explain.
  PortalStatus portalStatus;
  const std::unique_ptr<SessionAdapters> session = SessionAdapters::choose(x11, strings, portalStatus, queue);
  std::cerr << "marbrel: " << session->description() << "\n";
  if (instance) instance->setDescription(session->description());
  NotificationCenter notifications;
  X11KeyboardLayoutSource layoutSource(x11);
  Sauce sauce(layoutSource.layout(), notifications);
  layoutSource.setSauce(&sauce);
  X11HotKeyService hotKeys(x11);
  KeyboardShortcuts shortcuts(defaults, hotKeys, notifications);

  const DesktopOffers::Session sessionType = sessionFromEnvironment(
      std::getenv("XDG_SESSION_TYPE"), std::getenv("WAYLAND_DISPLAY"), std::getenv("DISPLAY"));
  std::string activationToken;  // given by the latest reopen request, for the window it opens
  QtMenuPresenter presenter(strings);
  // In every Wayland session: an XWayland grab holds nothing while a Wayland window has the keyboard
  // (Mutter), so the menu is a window the compositor gives the keyboard to. The launch that opened it
  // may carry the desktop's activation token; without one the window still asks with a current time.
  if (sessionType == DesktopOffers::Session::wayland || session->wayland()) {
    presenter.popup().useFocusedWindow();
    presenter.popup().setActivationRequest([&activationToken](QWidget& window) {
      if (QGuiApplication::platformName() == QLatin1String("xcb")) {
        activateX11Window(std::uint32_t(window.winId()), std::exchange(activationToken, {}));
      }
    });
  }
  X11XSettingsSource desktopSettings(x11);
  presenter.popup().setContrastSource([&desktopSettings] {
    return DesktopContrast::asksForContrast(std::getenv("GTK_THEME"), desktopSettings.read());
  });
  // A Wayland session's tray is a host on the session bus, unless an X11 tray runs on XWayland.
  QtStatusItem statusItem(presenter, sessionType == DesktopOffers::Session::wayland && !x11.hasSystemTray());
  QtAlerts alerts(strings);
  AboutWindowPresenter about(strings);
  QtApplication app;
  AppDelegate* running = nullptr;  // set once the delegate exists; the window asks only later
  std::unique_ptr<QtPreferencesWindow> preferences = QtPreferencesWindow::forDesktop(
      configuration, shortcuts, notifications, strings, layoutSource.layout(),
      [&running]() -> std::vector<MenuKeyEquivalent> {
        if (!running || !running->marbrel()) return {};
        return preferenceMenuKeyEquivalents(running->marbrel()->menu());
      },
      alerts,
      [&running]() -> std::size_t {
        if (!running || !running->marbrel()) return 0;
        return running->marbrel()->store().unpinnedCount();
      });

  preferences->setPortalStatus(&portalStatus);

  AppEnvironment environment{configuration, queue,  session->pasteboard(), session->keys(), statusItem, presenter,
                             alerts,        about,  *preferences, app,       images,     strings,
                             sauce,         shortcuts, HistoryStore::standardFile(), std::cout};
  environment.frontWindow = &session->frontWindow();
  AppDelegate delegate(environment);
  running = &delegate;
  delegate.applicationWillFinishLaunching();
  delegate.applicationDidFinishLaunching();

  // Where no program may grab keys, the desktop delivers the shortcut through its portal, whenever one
  // offers it (it may start after Marbrel, or stop and come back).
  std::unique_ptr<PortalGlobalShortcuts> portalShortcut;
  if (sessionType == DesktopOffers::Session::wayland) {
    portalShortcut = std::make_unique<PortalGlobalShortcuts>(
        QDBusConnection::sessionBus(), shortcuts, notifications,
        [&sauce](std::int64_t keyCode) -> std::optional<std::string> {
          if (keyCode < 0 || keyCode > 0xFFFF) return std::nullopt;
          const auto text = sauce.keyText(std::uint16_t(keyCode), 0);
          if (!text) return std::nullopt;
          std::string name = keysymNameForCharacter(*text);
          if (name.empty()) return std::nullopt;
          return name;
        },
        QString::fromStdString(strings.localized("portal_shortcut_description")), portalStatus);
    portalShortcut->start();
  }

  if (instance) {
    instance->setReopenHandler([&delegate, &instance, &activationToken] {
      activationToken = instance->takeActivationToken();
      delegate.applicationShouldHandleReopen(false);
    });
  }
  installTerminationHandler([&delegate] {
    delegate.applicationWillTerminate();
    QCoreApplication::exit(0);
  });
  // The session ending (logging out) is a system-initiated termination too.
  QObject::connect(&application, &QGuiApplication::commitDataRequest, &application,
                   [&delegate](QSessionManager&) { delegate.applicationWillTerminate(); });

  const int status = application.exec();
  presenter.cancelTracking();
  return status;
}

}  // namespace marbrel
