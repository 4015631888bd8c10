// Asset loading, one step per update behind the loading screen with the
// assembling engine logo. Missing files are the loading calls' business: the
// loader never stops or retries, it only walks its table.

#include "MyGame.h"

namespace {
// Once the step number passes this, the first update that loads nothing ends
// the loading (the empty steps before it only keep the logo on screen).
constexpr int kLoadEndsAfter = 60;
constexpr int kLogoTiles = 25;   // the engine logo is 25 x 25 tiles
constexpr float kLogoTile = 16;  // view units between tiles at half size
}  // namespace

void MyGame::Loader() {
    bool loaded = true;
    switch (LoadStep) {
    case 1: LoadFont(51, "entplain"); break;
    case 2: LoadImg(60, "KUVOLogo", 32); break;
    case 3: LoadSFX(95); break;
    case 4: PlaySFX(95, 1); break;  // the jingle, before anything else loads
    case 43: LoadImgFull(50, "icons", 64); break;
    case 44: LoadImgFull(55, "particles", 32); break;
    case 45: LoadSFX(1); break;
    case 46: LoadImgFull(52, "options", 32); break;
    case 47: LoadSFX(99); break;
    case 48: LoadSFX(98); break;
    case 49: LoadImg(53, "menu_back", 512); break;
    case 50: LoadImg(57, "menu_front", 512); break;
    case 51: LoadImg(54, "logo", 1024); break;
    case 52: CreateBuffer(56, 1024); break;
    case 53: MakePlatBG(); break;
    case 60: LoadImgFull(0, "gfx", 32); break;
    case 61: LoadSFX(2); break;
    case 62: LoadSFX(3); break;
    case 63: LoadSFX(4); break;
    default: loaded = false; break;
    }
    LoadStep += 1;
    LoadingScreen();
    if (LoadStep > kLoadEndsAfter && !loaded) LoadStep = 0;
}

void MyGame::LoadingScreen() {
    const int n = LoadStep;
    CLS(40, 0, 80);
    CLSGradient(40, 0, 80, 1, 80, 0, 40, 1);
    ResetDraw();
    ResetDraw();
    if (n > 5) {
        // A diagonal wave: each tile rises, grows, falls back and settles at
        // half size once its phase passes 135 degrees.
        int k = 0;
        for (int q = 0; q < kLogoTiles; q++) {
            for (int r = 0; r < kLogoTiles; r++, k++) {
                const int t = n * 6 - r - q;
                float s = Sin(static_cast<float>(t));
                if (s < 0.5f) s = 0;
                if (t > 135) s = 0.5f;
                if (s < 0.5f) continue;
                const float x = ViewWidth / 2 - 200 + r * kLogoTile;
                const float y = ViewHeight / 2 - s * 400 + q * kLogoTile;
                SetSize(s);
                DrawImg(60, x, y, k);
            }
        }
    }
    SetBlend(1);
    ResetDraw();
    Alpha(1.5f - n / 60.0f);
    Text(ViewWidth / 2, ViewHeight - 32, "Loading...", 1);
}
