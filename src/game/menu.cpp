// The start menu: the turning background and logo, the start page with its
// four round buttons, and the set-up page with the level-set list. Every page
// works by controller and by pointer; a screen never waits for input.

#include "MyGame.h"

namespace {
constexpr float kPressed = 0.5f;
constexpr float kReleased = 0.3f;
constexpr float kListReleased = 0.25f;  // the set-up list's direction release
constexpr int kRepeatFirst = 24;        // updates before a held direction repeats
constexpr int kRepeatStep = 6;          // each repeat comes this much sooner...
constexpr int kRepeatFastest = 3;       // ...down to this
constexpr int kPointers = 10;

// One start-page button: its cursor index and neighbours, radius and drawing
// size in normal and highlighted form.
struct StartButton {
    enum Look { Play, Quit, Gear, Info } look;
    int index, left, right;
    float radius, radiusLit;
    float size, sizeLit;
    const char* caption;
};

// Drawn and handled in this order: Start, Quit, Options, Credits.
const StartButton kStartButtons[] = {
    {StartButton::Play, 0, -1, 1, 64, 80, 0.5f, 0.75f, "Start"},
    {StartButton::Quit, -1, -2, 0, 72, 48, 1.0f, 1.5f, nullptr},
    {StartButton::Gear, 1, 0, -1, 32, 48, 0.5f, 0.75f, "Options"},
    {StartButton::Info, -2, 1, -1, 32, 48, 0.5f, 0.75f, "Credits"},
};

// Bar hue of a row of the set-up list.
float RowHue(int i) {
    if (i == 0) return 220;
    if (i == 1) return 120;
    if (i == 2) return 0;
    return static_cast<float>((i + 4) * 50);
}
}  // namespace

void MyGame::DoMenu() {
    Menu_Background();
    const float jump = Settings[23] == 1 ? 5.0f : 0.0f;  // less motion: no glide
    if (MenuPage == 0) {
        LogoScale -= 0.1f + jump;
        Menu_Start();
        BoardTimer = 0;
        BoardSlide = 0;
        BoardPage = 0;
    }
    // Tested afresh, so a page opened just now shows in this update.
    if (MenuPage == 1) {
        LogoScale += 0.1f + jump;
        Menu_Default("Set A|Set B|Random", "For learning the ropes|Just right|When you feel like a challenge");
        DisplayScoreboard();
    }
}

void MyGame::Menu_Background() {
    FadeCLS(0, 0, 0, 8);
    ResetDraw();
    SetSize(1);
    SetRot(static_cast<float>(Mills() / 16.0));
    DrawImg(57, ViewWidth / 2, ViewHeight / 2, 0);
    if (LogoScale < 1) LogoScale = 1;
    if (LogoScale > 2) LogoScale = 2;
    // The 1024 x 512 logo fits the view less a margin, top edge 16 units down.
    float s = (ViewWidth - 32) / 1024;
    if (s * 512 > ViewHeight - 196) s = (ViewHeight - 196) / 512;
    s = s / LogoScale;
    SetSize(s);
    SetRot(0);
    DrawImg(54, ViewWidth / 2, s * 256 + 16, 0);
    ResetDraw();
}

void MyGame::Menu_Start() {
    if (PlayKey(99) == 0) KeyLock[99] = 0;
    if (PlayKey(99) != 0 && KeyLock[99] == 0) QuitFlag = 1;

    bool confirm = Joy(8) > kPressed || Joy(10) > kPressed;
    bool back = Joy(11) > kPressed;
    if (Settings[13] == 1) {  // the controller's confirm and back swapped
        confirm = Joy(11) > kPressed;
        back = Joy(10) > kPressed || Joy(8) > kPressed;
    }

    bool leaving = false;  // a button handed over to another screen this update
    auto activate = [this, &leaving](int index) {
        switch (index) {
        case 0:  // Start
            MenuPage = 1;
            LockKeys();
            PlaySFX(98, 1.0f);
            leaving = true;
            break;
        case -1:  // Quit: no latch, no sound
            QuitFlag = 1;
            break;
        case 1:  // Options
            Overlay = 1;
            OptionCursor = 0;
            OptionScroll = 0;
            LockKeys();
            Settings[22] = DebugStats;
            PlaySFX(98);
            leaving = true;
            break;
        case -2:  // Credits
            Overlay = 2;
            LockKeys();
            PlaySFX(98);
            leaving = true;
            break;
        default: break;
        }
    };

    const float y = ViewHeight - 96;
    for (const StartButton& b : kStartButtons) {
        const bool lit = MenuCursor == b.index;
        const float r = lit ? b.radiusLit : b.radius;
        const float a = lit ? b.sizeLit : b.size;
        float x = 52;
        switch (b.look) {
        case StartButton::Play: x = ViewWidth / 2; break;
        case StartButton::Quit: x = ViewWidth / 2 - 160 < 128 ? 128 : ViewWidth / 2 - 160; break;
        case StartButton::Gear: x = ViewWidth - 52; break;
        case StartButton::Info: x = 52; break;
        }

        switch (b.look) {
        case StartButton::Play:
            SetGradient(100, 255, 100, a, 0, 150, 0, a);
            Depth(0.25f);
            Circle(x, y, r);
            SetRot(90);
            SetGradient(120, 255, 120, a, 80, 180, 80, a);
            Depth(0.5f);
            Tri_Fix(x, y, r * 0.85f, r * 0.85f, 0.25f);
            break;
        case StartButton::Quit:
            SetSize(a);
            Depth(0.25f);
            DrawImg(50, x, y, 1);
            break;
        case StartButton::Gear:
            if (lit) GearSpin = (GearSpin + 1) % 360;
            SetSize(r / 32);
            SetCol(255, 255, 255, 1);
            Depth(0.25f);
            SetRot(static_cast<float>(-GearSpin));
            DrawImg(50, x, y, 3);
            Depth(0.5f);
            SetRot(static_cast<float>(GearSpin));  // the hub turns against the ring
            DrawImg(50, x, y, 4);
            break;
        case StartButton::Info:
            SetSize(r / 32);
            Depth(0.25f);
            DrawImg(50, x, y, 5);
            break;
        }
        ResetDraw();
        if (b.caption) {
            SetSize(a + 0.25f);
            Depth(0.75f);
            Text(x, y + r, b.caption, 1);
            ResetDraw();
        }

        // Every move locks all latches, so a held direction moves once and a
        // later button cannot act on an input an earlier one used.
        const int hit = MouseIn_Radius(x, y, r + 16);
        if (lit) {
            if (Joy(3) > kPressed && KeyLock[5] == 0) {
                LockKeys();
                MenuCursor = b.left;
                PlaySFX(99, 1.0f);
            }
            if (Joy(1) > kPressed && KeyLock[5] == 0) {
                LockKeys();
                MenuCursor = b.right;
                PlaySFX(99, 1.0f);
            }
            if (confirm && KeyLock[10] == 0) activate(b.index);
        }
        if (hit >= 1 && TouchDown(hit - 1) >= 1) {
            // A first touch highlights a button, a second one activates it.
            if (MenuCursor == b.index && TouchLock[hit] == 0) activate(b.index);
            if (MenuCursor != b.index && TouchLock[hit] == 0) {
                MenuCursor = b.index;
                LockKeys();
                PlaySFX(99, 1.0f);
            }
        }
    }

    // Once the page has handed over, the latches set on the way out stay set
    // until the next screen sees its inputs up. Releasing them here would let
    // a held "Start" (or, with the swap, "Button 2") open the set-up page and
    // go straight back from it in the same update, since there it means back.
    if (leaving) return;
    if (!confirm) KeyLock[10] = 0;
    if (!back) KeyLock[11] = 0;
    if (Joy(3) < kReleased && Joy(1) < kReleased) KeyLock[5] = 0;
    for (int n = 0; n < kPointers; n++)
        if (TouchDown(n) == 0) TouchLock[n + 1] = 0;
}

void MyGame::Menu_Default(std::string list, std::string descriptions) {
    (void)descriptions;  // handed over with the list but not shown
    const int count = SplitCount(list, '|');
    // A step past either end wraps round. So does a saved board number
    // outside the list (a hand-edited save file), before the list is laid
    // out from it or stepped from it.
    const auto wrap = [&] {
        if (SelectedSet < 1) SelectedSet = count;
        if (SelectedSet > count) SelectedSet = 1;
    };
    wrap();
    float spacing = 46;
    float focus = ViewHeight - 128;
    float size = 1;
    if (PointerDown == 0) TouchLock[0] = 0;
    float target = focus - (SelectedSet - 1) * spacing;
    if (ViewHeight > ViewWidth) {  // portrait view
        focus = ViewHeight - 180;
        spacing = 58;
        size = 1.2f;
        target -= 64;
    }
    ListScroll -= (ListScroll - target) / 4;

    ResetDraw();
    bool chosen = false;
    for (int i = 0; i < count; i++) {
        SetSize(size);
        float textX = 100;
        const float y = ListScroll + static_cast<int>(i * spacing);
        const float hue = RowHue(i);
        const float d = Abs(focus - y);
        float fade = 1;
        if (d > 1.2f * spacing) fade = 1 - (d - 1.2f * spacing) / (1.2f * spacing);
        if (d >= 2.4f * spacing) continue;  // too far from the focus to show or click

        InkRot(hue, 0.5, 0.5);
        Alpha(fade * 0.3f);
        if (SelectedSet == i + 1) Alpha(0.7f);
        Rect(228, y, 256, 32);
        // A click on another row highlights it; on the highlighted row it starts.
        if (MouseIn_Centered(228, y, 256, 32) && PointerDown >= 1 && TouchLock[0] == 0) {
            if (SelectedSet != i + 1) {
                TouchLock[0] = 1;
                PlaySFX(98);
                SelectedSet = i + 1;
                BoardPage = 0;
                BoardTimer = 0;
            }
            if (SelectedSet == i + 1 && TouchLock[0] == 0) {
                TouchLock[0] = 1;
                chosen = true;
            }
        }
        SetRot(90);
        InkRot(hue, 0.5, 1);
        Alpha(fade * 0.3f);
        Tri(116, y, 32, 16);
        if (SelectedSet == i + 1) {
            textX += 32;
            SetSize(size * 1.3f);
        }
        SetRot(0);
        InkRot(hue, 0.8, 1.5);
        Alpha(fade);
        Text(textX, y, Trim(Split(list, '|', i + 1)));
    }

    if (Joy(10) < kReleased && Joy(8) < kReleased) KeyLock[10] = 0;
    if ((Joy(10) > kPressed || Joy(8) > kPressed) && PlayKey(99) == 0 && KeyLock[10] == 0) {
        LockKeys();
        chosen = true;
    }

    // Up and down repeat while held: at once, then after 24, 18, 12, 6 and
    // then every 3 updates.
    KeyLock[5] -= 1;
    if (KeyLock[6] <= 2) KeyLock[6] = kRepeatFastest;
    if (KeyLock[5] < 0) KeyLock[5] = 0;
    if (Joy(0) < kListReleased && Joy(1) < kListReleased && Joy(2) < kListReleased &&
        Joy(3) < kListReleased) {
        KeyLock[5] = 0;
        KeyLock[6] = kRepeatFirst;
    }
    if ((Joy(0) > kPressed || Joy(3) > kPressed) && KeyLock[5] == 0) {
        KeyLock[5] = KeyLock[6];
        KeyLock[6] -= kRepeatStep;
        SelectedSet -= 1;
        PlaySFX(99, 1.2f);
        BoardPage = 0;
        BoardTimer = 0;
    }
    if ((Joy(2) > kPressed || Joy(1) > kPressed) && KeyLock[5] == 0) {
        KeyLock[5] = KeyLock[6];
        KeyLock[6] -= kRepeatStep;
        SelectedSet += 1;
        PlaySFX(99, 0.8f);
        BoardPage = 0;
        BoardTimer = 0;
    }
    wrap();

    if (chosen) {
        PlaySFX(98);
        GameState = 11;
        LevelSet = SelectedSet;
        PointerChosen = 1;
        if (Joy(10) > kPressed || Joy(8) > kPressed) {
            PointerChosen = 0;
            BumpCursor();  // the pointer leaves the play area
        }
    }

    ResetDraw();
    SetSize(2);
    SetCol(255, 200, 200, 0.75f);
    DrawImg(52, 32, 32, 0);
    if (MouseIn_Centered(32, 32, 64, 64) && PointerDown >= 1 && TouchLock[0] == 0) {
        MenuPage = 0;
        LockKeys();
        PlaySFX(98);
    }

    // "Start" also goes back, but only when it could not confirm.
    if (Joy(11) < kReleased && Joy(8) < kReleased) KeyLock[11] = 0;
    if ((Joy(11) > kPressed || Joy(8) > kPressed) && KeyLock[11] == 0) {
        MenuPage = 0;
        LockKeys();
        PlaySFX(98);
    }
}
