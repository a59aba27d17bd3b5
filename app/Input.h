// Input dispatch: the key table, the pen gesture state machine and the
// button commands, each turned into operations of TheBrowser. Interface
// thread only; nothing happens while there is no browser.
#pragma once

#include <cstdint>

// A key-down with its virtual key code; keys not in the table do nothing.
void HandleKey(int key);
// Wheel notches (positive: away from the user): zoom in the picture view,
// turn the curve in browse mode.
void HandleWheel(int notches);
// Pen messages at client pixels; down and move return 1 when the pen was
// taken by a button or an overlay, else 0.
int HandlePenDown(int x, int y);
int HandlePenMove(int x, int y);
void HandlePenUp(int x, int y);
// A command posted by a button (41001..42006); false when not one.
bool HandleCommand(int command, intptr_t parameter);
// 0 none, 1 down and not yet classified, 2 zoom, 3 pan, 12 curve drag.
int GestureState();
