#include "app/Globals.h"

#include <cmath>

float cosTable[721];
float sinTable[721];
float depthTable[721];
float dropTable[181];

int ScreenWidth = 240;
int ScreenHeight = 320;
int IconSize = 120;
int DragThreshold = 30;
int DragSlack = 15;
int UiScale = 1;
int NameDrop = 16;
int BackSlotCount = 4;

std::atomic<int> AppFlags{0};

char16_t ProgramFolder[512];
char16_t DataFolder[512];
bool Installed;
char16_t ImgPath[512];
char16_t CachePath[512];

void BuildTrigTables() {
    const double deg = M_PI / 180.0;
    for (int i = 0; i <= 720; i++) {
        cosTable[i] = (float)std::cos(i * deg);
        sinTable[i] = (float)std::sin(i * deg);
        depthTable[i] = (float)(1.0 + 0.2 * std::sin(-i * deg));
    }
    for (int j = 0; j <= 180; j++) dropTable[j] = (float)(0.25 * std::pow(std::cos(j * M_PI / 360.0), 0.7));
}

void SetScreenMetrics(int width, int height) {
    ScreenWidth = width >= height ? height : width;
    ScreenHeight = height;
    IconSize = ScreenWidth / 2;
    DragThreshold = ScreenWidth / 8;
    if (DragThreshold < 20) DragThreshold = 20;
    DragSlack = DragThreshold / 2;
    int diagonal = (int)std::sqrt((double)ScreenWidth * ScreenWidth + (double)ScreenHeight * ScreenHeight);
    UiScale = diagonal <= 600 ? 1 : 2;
    NameDrop = 16 * UiScale;
    int step = (ScreenWidth / 2) / 4;  // zero only on absurdly small screens
    int slots = step > 0 ? (ScreenHeight - ScreenWidth / 2 - (9 * ScreenWidth) / 32) / step : 2;
    BackSlotCount = slots < 2 ? 2 : slots > 4 ? 4 : slots;
}
