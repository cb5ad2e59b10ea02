#pragma once

#include <QObject>
#include <QString>

namespace marbrel {

// What the desktop portals answered, for the preferences to explain: whether the desktop holds the
// pop-up shortcut and under which trigger, and whether it lets Marbrel type the paste key.
class PortalStatus : public QObject {
  Q_OBJECT

 public:
  enum class Shortcut {
    unused,      // the shortcut does not go through a portal
    pending,     // asked, no answer yet
    bound,       // the desktop took it with the trigger asked for
    reassigned,  // the desktop took it under another trigger (`shortcutTrigger`)
    refused,     // the user or the desktop declined it
    gone,        // the portal stopped: unbound until it returns and binds it again
  };
  enum class Paste {
    unused,   // pasting does not go through a portal
    granted,  // asked and allowed, or not asked yet
    refused,  // the user declined: entries are copied only
  };

  Shortcut shortcut() const { return shortcut_; }
  // What the desktop reports as the shortcut's trigger, in its own words.
  const QString& shortcutTrigger() const { return trigger_; }
  Paste paste() const { return paste_; }

  void setShortcut(Shortcut state, const QString& trigger = {});
  void setPaste(Paste state);

 Q_SIGNALS:
  void changed();

 private:
  Shortcut shortcut_ = Shortcut::unused;
  QString trigger_;
  Paste paste_ = Paste::unused;
};

}  // namespace marbrel
