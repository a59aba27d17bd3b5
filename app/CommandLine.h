// The command line and the paths later starts hand over: one folder to
// start on, or one JPEG picture to open in its folder.
#pragma once

enum PathKind { PATH_NONE, PATH_FOLDER, PATH_PICTURE, PATH_OTHER };

// What the program can make of path: PATH_NONE when it does not exist.
PathKind KindOfPath(const char16_t* path);

// The folder or picture named on the command line (absolute), and its kind;
// PATH_NONE without an argument.
extern char16_t StartPath[512];
extern PathKind StartKind;

// Reads the arguments (argv[0] is the program) into StartPath. Returns -1
// when the program is to run, else the exit code: 0 after --help or
// --version (printed on stdout), 2 for a path that does not exist, is not
// a folder or a JPEG picture, or any other argument, with one line on
// stderr.
int ReadCommandLine(int argc, const char* const* argv);

// The folder the browser starts on for StartPath (ImgPath is kept without
// an argument), and the picture to put in focus there (null for none).
void ApplyStartPath(char16_t* imgPath, const char16_t** picture);

// Shows path in the running browser (interface thread): a folder becomes
// the folder on view; a picture opens full screen among its folder's
// entries. Whatever is open (a menu, another picture) makes way. A path
// that is no longer a folder or a picture changes nothing.
void ShowPath(const char16_t* path);
// MSG_SHOWPATH: shows the last path handed over; the first one after the
// splash also opens the picture named on the command line.
void ShowHandedPaths();
