// The game in play: round set-up over seeded maps, the bungee jump and the
// walk back, steering, the camera, catching gems and mines, the water line and
// the round messages. Random draws are always made one statement at a time so
// that a seed gives the same game on every compiler.

#include "MyGame.h"

namespace {
constexpr float kCell = 32;             // world units of one map cell
constexpr float kDeckY = -128;          // world y of the bridge deck
constexpr float kStartY = -152;         // standing height after a round set-up
constexpr float kWalkY = -150.4f;       // height while walking back
constexpr float kLandedY = -151.68f;    // height after landing at the anchor
constexpr float kAnchorMax = 992;       // the anchor stays over the map
constexpr float kRopeReach = 37 * 32;   // depth of the arc below its ends
constexpr float kJumpStep = 0.5f;       // degrees of the arc per update
constexpr float kMessageUpdates = 120;  // length of a round or jump message
constexpr float kHitRange = 24;         // 0.75 cell
constexpr float kInputOn = 0.4f;        // play input pressed above, released below
constexpr float kLookBottom = 34 * 32;  // lowest point the camera may look at
constexpr int kSetSeed = 37196;         // seed stride between the level sets
constexpr int kHazardPenalty = -1500;

// Hazards per round by level set; any set but 2 and 3 counts as "Set A".
int HazardCount(int levelSet, int round) {
    static const int kCounts[3][3] = {{0, 4, 8}, {1, 5, 10}, {2, 6, 12}};
    const int set = (levelSet == 2 || levelSet == 3) ? levelSet - 1 : 0;
    if (round < 1 || round > 3) return 0;
    return kCounts[set][round - 1];
}
}  // namespace

void MyGame::Scroll(float divisor) {
    ScrollX -= (ScrollX - ScrollTargetX) / divisor;
    ScrollY -= (ScrollY - ScrollTargetY) / divisor;
    if (Abs(ScrollX - ScrollTargetX) < 0.6f) ScrollX = ScrollTargetX;
    if (Abs(ScrollY - ScrollTargetY) < 0.6f) ScrollY = ScrollTargetY;
}

void MyGame::GetLev() {
    RoundNumber += 1;
    JumpNumber = 1;
    // "Set A" and "Set B" give the same three maps in every game.
    SeedRnd(static_cast<int>(RoundNumber + LevelSet * kSetSeed));
    if (LevelSet == 3) SeedRnd(Mills());

    // Columns outer, rows inner: the draw order fixes the maps of the fixed sets.
    for (int x = 0; x < zindle::kMapSize; x++)
        for (int y = 0; y < zindle::kMapSize; y++) LevelMap[x][y] = Rand(0, 20) <= 2 ? 1.0f : 0.0f;

    const int hazards = HazardCount(LevelSet, static_cast<int>(RoundNumber));
    for (int i = 0; i < hazards; i++) {
        const int x = Rand(0, 31);
        const int y = Rand(12, 31);
        LevelMap[x][y] = 2;
    }

    PlayerX = AnchorX = 16 * kCell;
    PlayerY = kStartY;
    JumpState = 0;
    MessageTimer = kMessageUpdates;
    KeyLock[10] = 1;  // a jump key held from the last round must be released first

    for (int e = 0; e < zindle::kRipplesPerBand; e++)
        for (int b = 0; b < zindle::kRippleBands; b++) {
            RippleX[b][e] = Rnd(0, 1024);
            RippleY[b][e] = Rnd(-4, 4);
            RippleFrame[b][e] = static_cast<float>(Rand(0, 1));
        }
}

void MyGame::DoGame() {
    // Back scenery, from the spacing and camera drift the last update left.
    DrawSky();
    const float spacing = BandSpacing();
    DrawBackSea(spacing);

    // Camera: the midpoint of jumper and anchor is centred; during a jump the
    // jumper travels from the upper quarter of the view to the lower one.
    ScrollTargetX = PlayerX + (AnchorX - PlayerX) / 2 - ViewWidth / 2;
    if (JumpState == 1)
        ScrollTargetY = (PlayerY + LookOffset) - (0.25f * Cos(JumpAngle + 180) + 0.5f) * ViewHeight;
    else
        ScrollTargetY = PlayerY + LookOffset - 0.25f * ViewHeight;
    CameraDrift = ScrollTargetX - ScrollX;
    Scroll(16);

    // A held jump key jumps again as soon as the next jump is allowed.
    if (Joy(10) < kInputOn) KeyLock[10] = 0;
    if (Joy(10) > kInputOn && KeyLock[10] == 0 && JumpState == 0 && MessageTimer < 1) {
        JumpState = 1;
        JumpAngle = 0;
    }
    if (JumpState == 0) Combo = 0;

    int frame = 1;  // standing
    if (JumpState == 1) {
        frame = 0;
        JumpAngle += kJumpStep;
        if (JumpAngle > 180) {
            JumpAngle = 180;
            JumpState = 2;
            MessageTimer = kMessageUpdates;
            JumpNumber += 1;
        }
        PlayerY = Sin(JumpAngle) * kRopeReach - (4 * kCell + 0.75f * kCell);
        PlayerX -= (PlayerX - AnchorX) / 96;
    }
    if (JumpState == 2) {
        PlayerY = kWalkY;
        if (AnchorX > PlayerX) {
            PlayerX += 4;
            frame = Rand(2, 3);
        }
        if (PlayerX > AnchorX) {
            PlayerX -= 4;
            frame = Rand(4, 5);
        }
        if (Abs(PlayerX - AnchorX) < 8) {
            PlayerX = AnchorX;
            JumpState = 0;
            PlayerY = kLandedY;
        }
    }

    AnchorX += (Joy(1) - Joy(3)) * 8 * FrameDelta;
    if (AnchorX < 0) AnchorX = 0;
    if (AnchorX > kAnchorMax) AnchorX = kAnchorMax;
    if (JumpState == 0) PlayerX = AnchorX;

    DrawBridge();

    // The rope, the anchor, then the jumper turned with his feet to the anchor.
    Depth(0.465f);
    SetCol(80, 60, 0, 1);
    Thick(4);
    Line(PlayerX - ScrollX, PlayerY + 4 - ScrollY, AnchorX - ScrollX, kDeckY - ScrollY);
    ResetDraw();
    Depth(0.48f);
    DrawImg(0, AnchorX - ScrollX, kDeckY - ScrollY, 19);
    float r = Atan2(PlayerX - ScrollX, PlayerY - ScrollY, AnchorX - ScrollX, kDeckY + 12 - ScrollY);
    if (JumpState == 0 || JumpState == 2) r = 180;
    Depth(0.6f);
    SetRot(r + 180);
    DrawImg(0, PlayerX - ScrollX, PlayerY - ScrollY + 4, frame);

    DrawPillars();

    // Each cell is drawn before it is tested, so a cell taken now shows once more.
    ResetDraw();
    Depth(0.55f);
    for (int x = 0; x < zindle::kMapSize; x++) {
        for (int y = 0; y < zindle::kMapSize; y++) {
            DrawMapCell(x, y);
            const float cx = kCell * x;
            const float cy = kCell * y;
            if (Abs(PlayerX - cx) >= kHitRange || Abs(PlayerY - cy) >= kHitRange) continue;
            const float kind = LevelMap[x][y];
            if (kind == 1) {
                Combo += 1;
                PlaySFX(1, 0.9f + 0.05f * Combo);  // the pitch rises with the combo
                Gimme(static_cast<int>(Combo * 5), cx, cy);
                const float base = Rnd(0, 360);
                for (int k = 0; k < 8; k++) {
                    const int colour = Rand(1, 8);
                    ThrowParticle(cx, cy, k * 45.0f, colour, 2, k * 45 + base, 4);
                }
            } else if (kind == 2) {
                Gimme(kHazardPenalty, cx, cy);
                Combo = 0;
                PlaySFX(2);
                static const int kBursts[3][2] = {{1, 2}, {2, 3}, {1, 4}};  // kind, speed
                for (const auto& burst : kBursts) {
                    const float base = Rnd(0, 360);
                    for (int k = 0; k < 8; k++) {
                        const int colour = Rand(1, 8);
                        ThrowParticle(cx, cy, 0, colour, burst[0], k * 45 + base,
                                      static_cast<float>(burst[1]));
                    }
                }
            }
            LevelMap[x][y] = 0;
        }
    }

    // The water line sits half a band below the front sea band's top edge.
    const float water = 0.6f * ViewHeight + 15.5f * spacing - ScrollY / 6;
    const float j = PlayerY - ScrollY;
    if (j < water) {
        if (UnderWater == 1) {
            PlaySFX(3);
            for (int i = 0; i < 32; i++) {
                const int direction = Rand(-30, 30);
                const float speed = Rnd(4, 8);
                ThrowParticle(PlayerX, PlayerY, 230, 0, 2, static_cast<float>(direction), speed);
            }
        }
        UnderWater = 0;
    } else if (j > water) {
        if (UnderWater == 0) {
            PlaySFX(4);
            for (int i = 0; i < 12; i++) {
                const int direction = Rand(170, 190);
                const float speed = Rnd(2, 4);
                ThrowParticle(PlayerX, PlayerY, 260, 0, 2, static_cast<float>(direction), speed);
            }
        }
        UnderWater = 1;
    }

    DrawFrontSea(spacing);

    ResetDraw();
    Depth(1);
    if (MessageTimer > 0) {
        MessageTimer -= 1;
        const float alpha = MessageTimer / 60;  // opaque for 60 updates, then fading
        if (JumpNumber == 1) {  // a round is starting: fade in from black
            SetCol(0, 0, 0, alpha);
            Rect(ViewWidth / 2, ViewHeight / 2, ViewWidth + 128, ViewHeight + 128);
        }
        SetCol(255, 255, 255, alpha);
        SetSize(1.5f);
        Text(ViewWidth / 2, 0.35f * ViewHeight, fstr("Round %i / 3", static_cast<int>(RoundNumber)), 1);
        SetSize(2);
        if (JumpNumber < 4)
            Text(ViewWidth / 2, ViewHeight / 2, fstr("Jump %i / 3", static_cast<int>(JumpNumber)), 1);
        else
            Text(ViewWidth / 2, ViewHeight / 2, "Complete!", 1);
        if (MessageTimer < 1 && JumpNumber > 3) {
            if (RoundNumber < 3) {
                GetLev();
            } else {
                EndGame(1);
                JumpState = 4;
            }
        }
    }

    // Looking up and down eases back to the jumper when released.
    if (Joy(2) > kInputOn) LookTarget += 6 * FrameDelta;
    if (Joy(2) < kInputOn && LookTarget > 0) {
        LookTarget -= 10 * FrameDelta;
        if (LookTarget < 0) LookTarget = 0;
    }
    if (Joy(0) > kInputOn) LookTarget -= 6 * FrameDelta;
    if (Joy(0) < kInputOn && LookTarget < 0) {
        LookTarget += 10 * FrameDelta;
        if (LookTarget > 0) LookTarget = 0;
    }
    if (PlayerY + LookTarget < -0.25f * ViewHeight) LookTarget = -0.25f * ViewHeight - PlayerY;
    if (PlayerY + LookTarget > kLookBottom) LookTarget = kLookBottom - PlayerY;
    LookOffset -= (LookOffset - LookTarget) / 16;
    if (Abs(LookOffset - LookTarget) < 2) LookOffset = LookTarget;

    if (Score < 0) Score = 0;
    DefaultScoreDisplay(0);
}
