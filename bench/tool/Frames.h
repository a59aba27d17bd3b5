// The interface measured and pictured headless (bench/tool/Frames.cpp).
#pragma once

#include <string>

// Median composition time of a browse frame and of a picture-view frame
// (turned 23 degrees, magnified) on the pictures of dir; prints
// "frames browse_ms=B view_ms=V".
int Frames(const std::string& dir, int width, int height);
// PNG screenshots of browse mode, a menu, the bookmark panel, an open
// picture and the rotation pop-up into out.
int Shots(const std::string& dir, const std::string& out, int width, int height);
