#pragma once

#include <vector>

#include "core/shortcuts/MenuKeyEquivalent.h"

namespace marbrel {

class MenuModel;

// The program's own key equivalents that a recorded global shortcut must not take: those of the
// menu's fixed items (the footer's clear, preferences, quit ...), in menu order. The history rows'
// numbers and pin letters are left out: they change with the history, and naming a copied text in
// a refusal would show clipboard contents in a window.
std::vector<MenuKeyEquivalent> preferenceMenuKeyEquivalents(const MenuModel& menu);

}  // namespace marbrel
