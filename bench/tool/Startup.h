// The start and the end of the program measured headless (bench/tool/Startup.cpp).
#pragma once

#include <string>

// Warm start to the first whole frame, and Ctrl+Q to the program's end at
// rest, while thumbnails are made and while a big folder is listed; prints
// "start first_frame_ms=F quit_rest_ms=R quit_thumbnails_ms=T quit_listing_ms=L".
int Startup(const std::string& dir, int width, int height);
