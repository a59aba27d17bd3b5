// lumatray-bench: throughput of thumbnail making, cached thumbnail loading
// and full picture decoding, through the program's own code paths.
//
//   lumatray-bench make DIR --count N [--width W --height H]
//   lumatray-bench thumbs DIR --icon-size N --cache CACHEDIR
//   lumatray-bench cached DIR --icon-size N --cache CACHEDIR [--rounds R]
//   lumatray-bench decode DIR --budget PIXELS
//   lumatray-bench frames --screen WxH DIR
//   lumatray-bench shots --screen WxH DIR OUTDIR
//   lumatray-bench start --screen WxH DIR
//   lumatray-bench libjpeg DIR --icon-size N [--dc]
//   lumatray-bench psnr DIR --icon-size N
//   lumatray-bench libjpeg-fit DIR --budget PIXELS
//   lumatray-bench rotate DIR [--mode 1|2|3]
//
// libjpeg is the reference: each file decoded by libjpeg alone at the
// reduction a thumbnail of that size uses, rows read and dropped; --dc
// stops progressive files at 1/8 once their DC scans are in. psnr compares
// our thumbnail-size decode of each progressive 1/8 file with libjpeg's
// whole decode. libjpeg-fit is the reference of decode: libjpeg at the
// same reduction, each row fitted into a 16-bit picture of the stored size
// by the nearest pixel. rotate turns every picture of DIR in place (as the
// rotation pop-up does) and reports the time per picture and the process's
// peak resident memory before and after.
//
// Each measuring command ends with one summary line. Headless: no window.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "app/Globals.h"
#include "bench/tool/Frames.h"
#include "bench/tool/HeadlessProgram.h"
#include "bench/tool/Startup.h"
#include "codec/Jpeg.h"
#include "codec/Transform.h"
#include "picture/MemMgr.h"
#include "picture/Picture.h"
#include "platform/Platform.h"
#include "settings/Config.h"
#include "util/Text.h"

#include <jpeglib.h>
#include <sys/resource.h>

namespace {

struct Listed {
    std::u16string path;
    uint32_t size;
    plat::FileTime time;
};

bool IsJpegName(const char16_t* name) {
    int n = WideLength(name);
    return (n > 4 && CompareNoCase(name + n - 4, u".jpg") == 0) ||
           (n > 5 && CompareNoCase(name + n - 5, u".jpeg") == 0);
}

// The JPEG files directly in the folder, as the browser's scanner lists them.
std::vector<Listed> ListJpegs(const std::string& folder) {
    std::vector<Listed> out;
    std::u16string dir = Wide(folder);
    plat::Dir* d = plat::OpenDir(dir.c_str());
    if (!d) return out;
    plat::DirEntry e;
    while (plat::NextDirEntry(d, &e))
        if (!(e.attributes & plat::ATTR_DIRECTORY) && IsJpegName(e.name))
            out.push_back({dir + u"/" + e.name, e.size, e.time});
    plat::CloseDir(d);
    return out;
}

Picture_t* NewEntry(const Listed& f) {
    Picture_t* p = new Picture_t(KIND_PICTURE);
    p->SetFileInfo(f.size, f.time);
    p->SetFileName(f.path.c_str());
    return p;
}

double Seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

const char* Option(int argc, char** argv, const char* name, const char* fallback) {
    for (int i = 3; i + 1 < argc; i++)
        if (std::strcmp(argv[i], name) == 0) return argv[i + 1];
    return fallback;
}

void SetIconSize(int edge) {
    BuildTrigTables();
    SetScreenMetrics(2 * edge, (8 * edge) / 3);  // a 3:4 portrait screen
}

bool SetCacheRoot(const char* root) {
    if (!root || root[0] != '/') return false;
    std::u16string w = Wide(root);
    while (w.size() > 1 && w.back() == u'/') w.pop_back();
    CopyWide(w.c_str(), CachePath, 512);
    return true;
}

// The browser's loader for one entry: the cache first, else the picture.
void MakeThumbnail(Picture_t* p) {
    if (p->LoadIcon(false) == 0 && !p->HasFlags(ICON_CACHED)) p->LoadForIcon();
}

int Make(const std::string& dir, int count, int w, int h) {
    std::vector<uint8_t> row((size_t)w * 3);
    unsigned seed = 12345;
    for (int n = 0; n < count; n++) {
        char name[64];
        std::snprintf(name, sizeof name, "/photo%04d.jpg", n);
        Jpeg_t writer;
        writer.OutWidth = (uint16_t)w;
        writer.OutHeight = (uint16_t)h;
        if (writer.OpenWrite(Wide(dir + name).c_str()) <= 0) return 1;
        // Gradients with noise: compresses and decodes like a photograph.
        int phase = n * 37;
        for (int y = 0; y < h; y++) {
            for (int x = 0; x < w; x++) {
                seed = seed * 1103515245u + 12345u;
                int noise = (int)((seed >> 16) & 31) - 16;
                int r = (x * 255) / w + noise, g = (y * 255) / h + noise, b = ((x + y + phase) & 255) + noise / 2;
                row[3 * x] = (uint8_t)(r < 0 ? 0 : r > 255 ? 255 : r);
                row[3 * x + 1] = (uint8_t)(g < 0 ? 0 : g > 255 ? 255 : g);
                row[3 * x + 2] = (uint8_t)(b < 0 ? 0 : b > 255 ? 255 : b);
            }
            writer.WriteRow(row.data());
        }
        if (!writer.Close()) return 1;
    }
    std::printf("make files=%d width=%d height=%d\n", count, w, h);
    return 0;
}

int Thumbs(const std::string& dir, bool cached, int rounds) {
    std::vector<Listed> files = ListJpegs(dir);
    IconPool = new MemMgr_t;
    if (!cached) {
        // From an empty cache: the mirror of this folder goes first.
        std::u16string mirror = std::u16string(CachePath) + Wide(dir);
        DeleteTree(mirror.c_str());
    } else {
        for (const Listed& f : files) {  // make what is missing, untimed
            Picture_t* p = NewEntry(f);
            MakeThumbnail(p);
            delete p;
        }
    }
    int made = 0;
    auto start = std::chrono::steady_clock::now();
    for (int round = 0; round < rounds; round++)
        for (const Listed& f : files) {
            Picture_t* p = NewEntry(f);
            if (cached) {
                made += p->LoadIcon(false);
            } else {
                MakeThumbnail(p);
                made += p->HasFlags(ICON_READY) ? 1 : 0;
            }
            delete p;  // gives the slot back
        }
    double s = Seconds(start) / rounds;
    made /= rounds;
    delete IconPool;
    IconPool = nullptr;
    if (made != (int)files.size()) std::fprintf(stderr, "only %d of %zu thumbnails\n", made, files.size());
    std::printf("%s files=%zu seconds=%.3f per_second=%.1f\n", cached ? "cached" : "thumbs", files.size(), s,
                s > 0 ? files.size() / s : 0.0);
    return made == (int)files.size() ? 0 : 1;
}

int Decode(const std::string& dir) {
    std::vector<Listed> files = ListJpegs(dir);
    int loaded = 0;
    auto start = std::chrono::steady_clock::now();
    for (const Listed& f : files) {
        Picture_t* p = NewEntry(f);
        p->LoadNow(false);
        loaded += p->HasFlags(PIC_LOADED) ? 1 : 0;
        delete p;
    }
    double s = Seconds(start);
    std::printf("decode files=%zu seconds=%.3f ms_per_file=%.2f\n", files.size(), s,
                files.empty() ? 0.0 : 1000.0 * s / files.size());
    return loaded == (int)files.size() ? 0 : 1;
}

// ---- the libjpeg reference

struct RefError {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
};

void RefErrorExit(j_common_ptr c) { std::longjmp(reinterpret_cast<RefError*>(c->err)->jump, 1); }
void RefQuiet(j_common_ptr) {}

// A quiet decompressor whose errors jump to err.jump.
static void RefCreate(jpeg_decompress_struct* d, RefError* err) {
    d->err = jpeg_std_error(&err->pub);
    err->pub.error_exit = RefErrorExit;
    err->pub.output_message = RefQuiet;
    jpeg_create_decompress(d);
}

// Decodes path with libjpeg at the reduction a budget of edge^2 picks, every
// row into rgb (whole picture, R, G, B); dc: a progressive 1/8 file only up
// to its complete DC. Returns the rows delivered, -1 on a library error.
// Sizes and whether the DC stop applied go to the pointers.
int RefDecode(const char* path, int edge, bool dc, std::vector<uint8_t>* rgb, int* w, int* h, bool* stopped) {
    FILE* f = std::fopen(path, "rb");
    if (!f) return -1;
    jpeg_decompress_struct d;
    RefError err;
    RefCreate(&d, &err);
    // Locals changed after setjmp and read after the jump are volatile.
    volatile int rows = 0;
    if (setjmp(err.jump)) {
        jpeg_destroy_decompress(&d);
        std::fclose(f);
        return -1;
    }
    jpeg_stdio_src(&d, f);
    jpeg_read_header(&d, TRUE);
    d.scale_num = (unsigned)Jpeg_t::ScaleNumFor((int)d.image_width, (int)d.image_height, edge * edge);
    d.scale_denom = 8;
    d.out_color_space = JCS_RGB;
    bool stop = dc && d.progressive_mode && d.scale_num == 1;
    if (stopped) *stopped = stop;
    if (stop) {
        d.buffered_image = TRUE;
        d.do_block_smoothing = FALSE;
    }
    jpeg_start_decompress(&d);
    if (stop) {
        for (;;) {
            int r = jpeg_consume_input(&d);
            if (r == JPEG_REACHED_EOI || r == JPEG_SUSPENDED) break;
            bool complete = true;
            for (int c = 0; c < d.num_components; c++) complete &= d.coef_bits[c][0] == 0;
            if (r == JPEG_SCAN_COMPLETED && complete) break;
        }
        jpeg_start_output(&d, d.input_scan_number);
    }
    *w = (int)d.output_width;
    *h = (int)d.output_height;
    std::vector<uint8_t> row((size_t)d.output_width * 3);
    if (rgb) rgb->clear();
    while (d.output_scanline < d.output_height) {
        JSAMPROW r = row.data();
        jpeg_read_scanlines(&d, &r, 1);
        if (rgb) rgb->insert(rgb->end(), row.begin(), row.end());
        rows = rows + 1;
    }
    if (stop)
        jpeg_abort_decompress(&d);
    else
        jpeg_finish_decompress(&d);
    jpeg_destroy_decompress(&d);
    std::fclose(f);
    return rows;
}

std::string Narrow(const std::u16string& w) { return std::string(w.begin(), w.end()); }

// libjpeg's decode of path at the reduction the budget picks, fitted by the
// nearest pixel into rows of the stored size, as the viewer keeps them.
bool RefDecodeFit(const char* path, int budget) {
    FILE* f = std::fopen(path, "rb");
    if (!f) return false;
    jpeg_decompress_struct d;
    RefError err;
    RefCreate(&d, &err);
    if (setjmp(err.jump)) {
        jpeg_destroy_decompress(&d);
        std::fclose(f);
        return false;
    }
    jpeg_stdio_src(&d, f);
    jpeg_read_header(&d, TRUE);
    d.scale_num = (unsigned)Jpeg_t::ScaleNumFor((int)d.image_width, (int)d.image_height, budget);
    d.scale_denom = 8;
    d.out_color_space = JCS_RGB;
    jpeg_start_decompress(&d);
    int w = (int)d.output_width, h = (int)d.output_height;
    int scale = (int)(FitScale(w, h, budget) * 16384.0f);
    int fw = (int)(((int64_t)w * scale) >> 14), fh = (int)(((int64_t)h * scale) >> 14);
    std::vector<uint16_t> fitted((size_t)std::max(fw, 1) * std::max(fh, 1));
    std::vector<int> map(w);
    for (int i = 0; i < w; i++) map[i] = std::min((int)(((int64_t)i * scale) >> 14), fw - 1);
    std::vector<uint8_t> row((size_t)w * 3);
    while (d.output_scanline < d.output_height) {
        int k = (int)d.output_scanline;
        JSAMPROW r = row.data();
        jpeg_read_scanlines(&d, &r, 1);
        int y = std::min((int)(((int64_t)k * scale) >> 14), fh - 1);
        if (y < 0 || fw <= 0) continue;
        uint16_t* out = &fitted[(size_t)y * fw];
        const uint8_t* s = row.data();
        for (int x = 0; x < w; x++, s += 3)
            out[map[x]] = (uint16_t)(((s[0] & 0xF8) << 8) | ((s[1] & 0xF8) << 3) | (s[2] >> 3));
    }
    jpeg_finish_decompress(&d);
    jpeg_destroy_decompress(&d);
    std::fclose(f);
    return true;
}

int ReferenceFit(const std::string& dir, int budget) {
    std::vector<Listed> files = ListJpegs(dir);
    int done = 0;
    auto start = std::chrono::steady_clock::now();
    for (const Listed& f : files) done += RefDecodeFit(Narrow(f.path).c_str(), budget) ? 1 : 0;
    double s = Seconds(start);
    std::printf("libjpeg-fit files=%zu seconds=%.3f ms_per_file=%.2f\n", files.size(), s,
                files.empty() ? 0.0 : 1000.0 * s / files.size());
    return done == (int)files.size() ? 0 : 1;
}

int Reference(const std::string& dir, int edge, bool dc) {
    std::vector<Listed> files = ListJpegs(dir);
    int done = 0;
    auto start = std::chrono::steady_clock::now();
    for (const Listed& f : files) {
        int w = 0, h = 0;
        done += RefDecode(Narrow(f.path).c_str(), edge, dc, nullptr, &w, &h, nullptr) == h ? 1 : 0;
    }
    double s = Seconds(start);
    std::printf("%s files=%zu seconds=%.3f per_second=%.1f\n", dc ? "libjpeg-dc" : "libjpeg", files.size(), s,
                s > 0 ? files.size() / s : 0.0);
    return done == (int)files.size() ? 0 : 1;
}

// Our decode of each progressive 1/8 file at the thumbnail budget against
// libjpeg's whole decode at the same reduction.
int Psnr(const std::string& dir, int edge) {
    std::vector<double> all;
    for (const Listed& f : ListJpegs(dir)) {
        std::vector<uint8_t> whole, ours;
        int w = 0, h = 0;
        bool stopped = false;
        RefDecode(Narrow(f.path).c_str(), edge, true, nullptr, &w, &h, &stopped);
        if (!stopped || RefDecode(Narrow(f.path).c_str(), edge, false, &whole, &w, &h, nullptr) != h) continue;
        Jpeg_t j;
        j.Budget = edge * edge;
        if (j.Open(f.path.c_str()) != 1 || j.OutWidth != w || j.OutHeight != h) return 1;
        std::vector<uint8_t> row((size_t)w * 3);
        for (int y = 0; y < h; y++) {
            if (j.ReadRow(row.data()) != y) return 1;
            ours.insert(ours.end(), row.begin(), row.end());
        }
        double sum = 0;
        for (size_t i = 0; i < ours.size(); i++) sum += (double)(ours[i] - whole[i]) * (ours[i] - whole[i]);
        all.push_back(sum == 0 ? 99.0 : 10.0 * std::log10(255.0 * 255.0 * ours.size() / sum));
    }
    if (all.empty()) {
        std::printf("psnr files=0\n");
        return 0;
    }
    std::sort(all.begin(), all.end());
    std::printf("psnr files=%zu median_db=%.2f worst_db=%.2f\n", all.size(), all[all.size() / 2], all.front());
    return 0;
}

long PeakKiB() {
    struct rusage u;
    return getrusage(RUSAGE_SELF, &u) == 0 ? u.ru_maxrss : -1;
}

int Rotate(const std::string& dir, int mode) {
    std::vector<Listed> files = ListJpegs(dir);
    long before = PeakKiB();
    double worst = 0, total = 0;
    for (const Listed& f : files) {
        RotateTransform_t t;
        t.Mode = mode;
        char16_t message[kTransformMessageUnits];
        auto start = std::chrono::steady_clock::now();
        t.Process(f.path.c_str(), message, nullptr);
        double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
        if (message[0]) {
            std::fprintf(stderr, "rotate failed\n");
            return 1;
        }
        total += ms;
        worst = std::max(worst, ms);
    }
    std::printf("rotate files=%zu mode=%d mean_ms=%.1f worst_ms=%.1f peak_kib_before=%ld peak_kib_after=%ld\n",
                files.size(), mode, files.empty() ? 0.0 : total / files.size(), worst, before, PeakKiB());
    return 0;
}

int Usage() {
    std::fprintf(stderr,
                 "usage: lumatray-bench make DIR --count N [--width W --height H]\n"
                 "       lumatray-bench thumbs DIR --icon-size N --cache CACHEDIR\n"
                 "       lumatray-bench cached DIR --icon-size N --cache CACHEDIR [--rounds R]\n"
                 "       lumatray-bench decode DIR --budget PIXELS\n"
                 "       lumatray-bench frames --screen WxH DIR\n"
                 "       lumatray-bench shots --screen WxH DIR OUTDIR\n"
                 "       lumatray-bench start --screen WxH DIR\n"
                 "       lumatray-bench libjpeg DIR --icon-size N [--dc]\n"
                 "       lumatray-bench psnr DIR --icon-size N\n"
                 "       lumatray-bench libjpeg-fit DIR --budget PIXELS\n"
                 "       lumatray-bench rotate DIR [--mode 1|2|3]\n");
    return 2;
}

}  // namespace

// "--screen WxH DIR [OUTDIR]": the interface commands, screen first.
static int Interface(int argc, char** argv) {
    int w = 0, h = 0;
    if (argc < 5 || std::strcmp(argv[2], "--screen") != 0 || std::sscanf(argv[3], "%dx%d", &w, &h) != 2 || w < 64 ||
        h < 64 || argv[4][0] != '/')
        return Usage();
    std::string cmd = argv[1];
    if (cmd == "frames") return Frames(argv[4], w, h);
    if (cmd == "start") return Startup(argv[4], w, h);
    if (argc < 6) return Usage();
    return Shots(argv[4], argv[5], w, h);
}

int main(int argc, char** argv) {
    if (argc >= 2 && (std::strcmp(argv[1], "frames") == 0 || std::strcmp(argv[1], "shots") == 0 ||
                      std::strcmp(argv[1], "start") == 0))
        return Interface(argc, argv);
    if (argc < 3) return Usage();
    std::string cmd = argv[1], dir = argv[2];
    while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
    if (dir.empty() || dir[0] != '/') {
        std::fprintf(stderr, "DIR must be an absolute path\n");
        return 2;
    }
    BuildTrigTables();
    if (cmd == "make")
        return Make(dir, std::atoi(Option(argc, argv, "--count", "200")), std::atoi(Option(argc, argv, "--width", "3000")),
                    std::atoi(Option(argc, argv, "--height", "2000")));
    if (cmd == "thumbs" || cmd == "cached") {
        int edge = std::atoi(Option(argc, argv, "--icon-size", "120"));
        if (edge < 8 || !SetCacheRoot(Option(argc, argv, "--cache", nullptr))) return Usage();
        SetIconSize(edge);
        // cached: the folder read this many times over (one pass is short).
        int rounds = cmd == "cached" ? std::max(1, std::atoi(Option(argc, argv, "--rounds", "1"))) : 1;
        return Thumbs(dir, cmd == "cached", rounds);
    }
    if (cmd == "libjpeg" || cmd == "psnr") {
        int edge = std::atoi(Option(argc, argv, "--icon-size", "120"));
        if (edge < 8) return Usage();
        bool dc = false;
        for (int i = 3; i < argc; i++) dc |= std::strcmp(argv[i], "--dc") == 0;
        return cmd == "psnr" ? Psnr(dir, edge) : Reference(dir, edge, dc);
    }
    if (cmd == "libjpeg-fit") {
        int budget = std::atoi(Option(argc, argv, "--budget", "2000000"));
        if (budget <= 0) return Usage();
        return ReferenceFit(dir, budget);
    }
    if (cmd == "rotate") {
        int mode = std::atoi(Option(argc, argv, "--mode", "1"));
        if (mode < 1 || mode > 3) return Usage();
        return Rotate(dir, mode);
    }
    if (cmd == "decode") {
        MaxPicPixel = std::atoi(Option(argc, argv, "--budget", "2000000"));
        if (MaxPicPixel <= 0) return Usage();
        return Decode(dir);
    }
    return Usage();
}
