// The main window's toolbar on the screen: the row of self-drawn buttons under the menu, its clicks and
// tool tips, and the "Toolbar Settings" dialog. The data behind it is toolbar.h.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "shell/toolbar.h"

namespace shell {

struct MenuState;

// A transform's button as the transform host hands it over: the transform (command 7000 + n, name, plug-in
// flags) and its bitmap (the plug-in's "TOOLBARICON"; null: a plain face). The host sets the source before
// start-up reaches the toolbar; without one there are no transform buttons.
struct ToolbarTransformButton {
  ToolbarTransform transform;
  void* bitmap = nullptr;  // HBITMAP, owned by the host
};
std::function<std::vector<ToolbarTransformButton>()>& toolbarTransformSource();

// The toolbar's part in start-up, shut-down and the main window's messages is in subsystems_win.h.

// Each button follows its command's menu state; a button whose command has no handler is greyed. Only
// buttons whose look changed are repainted.
void ToolbarApplyMenuState(const MenuState& state);
// For the owner of buttons that are not menu commands (the CD player): enable or grey, and place.
void ToolbarEnableButton(int id, bool on);
void ToolbarPlaceButton(int id, int x, int y);
// Lays the row out for the main window's client width and repaints it.
void ToolbarRelayout();

// The buttons as placed and drawn (for tests and the CD bar).
const ToolbarRecord& toolbarRecord();

// For the dialog: the order, the transforms that have buttons, a button's tip and bitmap (HBITMAP).
ToolbarOrder& toolbarOrder();
const ToolbarTransforms& toolbarTransforms();
std::string ToolbarTipText(int id);
void* ToolbarBitmap(int id);
// Stores a new order: saved to the settings file, laid out and repainted.
void ToolbarSetOrder(const std::vector<int>& ids);

// "Toolbar Settings" (dialog 166), command 355 (toolbar_dialog_win.cpp).
void registerToolbarDialog();

}  // namespace shell
