// Temporary bodies while the loading and cache code is written.
#include "picture/CacheScan.h"
#include "picture/Picture.h"
#include "render/PaintBuffer.h"

Picture_t::~Picture_t() { delete label_; }
void Picture_t::Alloc() {}
void Picture_t::FreeBitmap() {}
void Picture_t::SetBroken() {}
void Picture_t::LoadNow(bool) {}
int Picture_t::LoadImg(Img_t*, bool) { return 0; }
void Picture_t::Load(bool) {}
void Picture_t::Unload(bool) {}
void Picture_t::Pause(bool) {}
void Picture_t::WaitHiPriority(int) {}
void Picture_t::SetHiPriority(bool) {}
Picture_t* Picture_t::HiPriorityEntry() { return nullptr; }
void Picture_t::AllocIcon() {}
void Picture_t::FreeIcon() {}
void Picture_t::FreeIconHeld() {}
void Picture_t::MakeIconFromPicture() {}
int Picture_t::LoadIcon(bool) { return 0; }
void Picture_t::LoadForIcon() {}
void Picture_t::SaveIcon() {}
int PictureLoaderThread(void*) { return 0; }
int CacheScanThread(void*) { return 0; }
void Scan(const char16_t*, int) {}
