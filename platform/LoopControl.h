// Internal to platform/: the nesting of message loops and the coalescing
// of paint messages, shared by the SDL and the headless backends.
//
// Loops run on the interface thread only; the paint flag and LoopDepth may
// be touched from any thread.
#pragma once

namespace plat {

// Enters a new innermost loop; returns its depth (1 = outermost).
int LoopEnter();
void LoopLeave();
// EndLoop: the innermost loop returns the code after the current message.
void LoopRequestEnd(int code);
// A quit message was taken: every loop returns; the outermost gives the code.
void LoopRequestQuit(int code);
// True when the loop at depth must return now, with its code.
bool LoopMustReturn(int depth, int* code);
int LoopDepth();

// Paint coalescing: true when no paint message is pending (the caller
// posts one); PaintTaken when the loop takes it, so a paint requested
// while painting posts another.
bool ClaimPaintPost();
void PaintTaken();
void ResetPaintFlag();

}  // namespace plat
