#pragma once

#include <filesystem>
#include <iostream>
#include <ostream>

namespace marbrel {

class AboutPresenter;
class Alerts;
class Application;
class Configuration;
class FrontWindow;
class ImageDecoder;
class KeyboardShortcuts;
class KeySynthesizer;
class MainQueue;
class MenuPresenter;
class Pasteboard;
class PreferencesWindow;
class Sauce;
class StatusItem;
class Strings;

// Everything the controller works with but does not own: the settings, the platform's ports and
// the process-wide keyboard services. All of it outlives the controller.
struct AppEnvironment {
  Configuration& configuration;
  MainQueue& queue;
  Pasteboard& pasteboard;
  KeySynthesizer& keys;
  StatusItem& statusItem;
  MenuPresenter& presenter;
  Alerts& alerts;
  AboutPresenter& about;
  PreferencesWindow& preferences;
  Application& application;
  const ImageDecoder& images;
  const Strings& strings;
  const Sauce& sauce;
  KeyboardShortcuts& shortcuts;
  // The history's database file; empty keeps the history in memory (as "ui-testing" does).
  std::filesystem::path storeFile;
  // Where store failures are reported ("Unresolved error ...").
  std::ostream& log = std::cout;
  // Where copies that are left out of the history are reported.
  std::ostream& errors = std::cerr;
  // Names the program in front, for its paste combination; none where the desktop cannot say.
  const FrontWindow* frontWindow = nullptr;
};

}  // namespace marbrel
