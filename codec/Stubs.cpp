// Temporary bodies so that the core links while the codecs are written.
#include "codec/File.h"
#include "codec/Img.h"
#include "codec/Jpeg.h"
#include "codec/Png.h"

File_t::File_t() {}
File_t::~File_t() {}
bool File_t::Open(const char16_t*, int mode) { mode_ = mode; return false; }
bool File_t::Open(const char*, int mode) { mode_ = mode; return false; }
bool File_t::Close() { return true; }
bool File_t::Flush() { return false; }
bool File_t::WriteString(const char*) { return false; }
bool File_t::Write(const void*, int) { return false; }
int File_t::Read(void*, int) { return 0; }
int File_t::ReadLine(char* dest, int) { dest[0] = 0; return 0; }

Img_t::Img_t() {}
Img_t::~Img_t() {}
int Img_t::ReadRow(uint8_t* dest) { return ReadRawRow(dest); }
int Img_t::GetRow() { return -1; }
int Img_t::Open(const char*) { return 0; }
int Img_t::OpenWrite(const char*) { return 0; }
int Img_t::ReadRawRow(uint8_t*) { return -1; }
int Img_t::ReadRowRGBA(uint8_t*) { return -1; }
void Img_t::WriteRow(const uint8_t*) {}
bool Img_t::Close() { return true; }
int Img_t::Open(const char16_t*) { return 0; }
int Img_t::OpenWrite(const char16_t*) { return 0; }
Img_t* AllocImg_t(const char16_t*) { return nullptr; }

Jpeg_t::Jpeg_t() {}
Jpeg_t::~Jpeg_t() {}
int Jpeg_t::GetRow() { return RowsDone; }
int Jpeg_t::Open(const char*) { return 0; }
int Jpeg_t::OpenWrite(const char*) { return 0; }
int Jpeg_t::ReadRawRow(uint8_t*) { return -1; }
void Jpeg_t::WriteRow(const uint8_t*) {}
bool Jpeg_t::Close() { return true; }
int Jpeg_t::ScaleNumFor(int, int, int) { return 8; }

Png_t::Png_t() {}
Png_t::~Png_t() {}
int Png_t::GetRow() { return RowsDone; }
int Png_t::Open(const char*) { return 0; }
int Png_t::ReadRawRow(uint8_t*) { return -1; }
int Png_t::ReadRowRGBA(uint8_t*) { return -1; }
bool Png_t::Close() { return true; }
