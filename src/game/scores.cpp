// The local score boards: entering a finished game into a board's Top 5 and
// Last 5, the sliding score panel of the set-up page and the score line in
// play. A board number outside the score table is never used as an index.

#include <cstring>

#include "MyGame.h"

namespace {
constexpr int kTopFive = 0;       // board entries 0..4, best first
constexpr int kLastFive = 5;      // board entries 5..9, newest first
constexpr int kListLength = 5;
constexpr int kPageFrames = 300;  // a panel page shows this long
constexpr int kSlideIn = 30;      // frames of sliding in...
constexpr int kSlideOut = 271;    // ...and the frame sliding out starts
constexpr int kSkipTo = 270;      // a skip jumps the page timer here
constexpr float kPanelWidth = 180;
constexpr float kPanelHeight = 360;
}  // namespace

namespace zindle {
int BoardBase(int b) {
    if (b < 0 || b >= kScoreEntries / kBoardEntries) return -1;
    return b * kBoardEntries;
}
}  // namespace zindle

using zindle::BoardBase;

void MyGame::HandleDefaultScoreboards() {
    const int base = BoardBase(SelectedSet);
    if (base < 0) return;
    int* top = &ScoreTable[base + kTopFive];
    int* last = &ScoreTable[base + kLastFive];
    const int score = static_cast<int>(Score);
    for (int k = 0; k < kListLength; k++) {
        if (!(Score > static_cast<float>(top[k]))) continue;
        for (int m = kListLength - 1; m > k; m--) top[m] = top[m - 1];  // the fifth falls off
        top[k] = score;
        if (k == 0) SendScores(0);  // a new best
        break;
    }
    for (int m = kListLength - 1; m > 0; m--) last[m] = last[m - 1];
    last[0] = score;
}

void MyGame::DisplayScoreboard() {
    const int base = BoardBase(SelectedSet);
    if (base < 0) return;

    BoardTimer += 1;
    if (BoardTimer < 0 || BoardTimer > kPageFrames) {
        BoardTimer = 0;
        BoardPage += 1;
    }
    if (BoardTimer < kSlideIn) BoardSlide -= 16;
    if (BoardTimer >= kSlideOut) BoardSlide += 16;
    if (BoardSlide < -static_cast<int>(kPanelWidth)) BoardSlide = -static_cast<int>(kPanelWidth);
    if (BoardSlide > 64) BoardSlide = 64;
    float cx = ViewWidth + 90 - 8 + BoardSlide;
    if (Settings[23] == 1) cx = ViewWidth + 90 - 8 - kPanelWidth;  // less motion: no slide

    // A click, or the fourth button, sends the page out and brings the next.
    if (PointerDown) {
        KeyLock[13] = 1;
        BoardTimer = kSkipTo;
    }
    if (Joy(13) < 0.3f && !PointerDown) KeyLock[13] = 0;
    if (Joy(13) > 0.5f && KeyLock[13] == 0) {
        KeyLock[13] = 1;
        BoardTimer = kSkipTo;
    }

    ResetDraw();
    SetCol(0, 0, 0, 0.5f);
    Rect(cx, ViewHeight * 0.5f, kPanelWidth, kPanelHeight);
    if (BoardPage >= 3) BoardPage = 0;
    if (BoardPage == 2 && OnlineScoresReceived == 0) BoardPage = 0;

    ResetDraw();
    static const char* const kTitles[] = {"Top 5", "Last 5", "Top Online"};
    Text(cx, ViewHeight * 0.5f - 170, kTitles[BoardPage], 1);

    const int newest = ScoreTable[base + kLastFive];
    const float wobbleX = Sin(Mills() * 0.25f) * 4;
    const float wobbleY = -Cos(Mills() * 0.4f) * 3;
    for (int k = 0; k < kListLength; k++) {
        float x = cx;
        float y = ViewHeight * 0.5f - 139.5f + 67 * k;
        int score = 0;
        bool lit = false;
        if (BoardPage == 0) {
            score = ScoreTable[base + kTopFive + k];
            lit = score == newest && score >= 1;  // where the last game landed
        } else if (BoardPage == 1) {
            score = ScoreTable[base + kLastFive + k];
        } else {
            score = OnlineScoreTable[base + k];
            lit = score == ScoreTable[base] && OnlineScoreTable[base] >= 1;
        }
        if (lit) {
            x += wobbleX;
            y += wobbleY;
        }
        ResetDraw();
        if (BoardPage == 2) {
            SetSize(0.75f);
            const char* name = OnlineNameTable[base + k];
            Text(x - 90 + 8, y, std::string(name, strnlen(name, zindle::kOnlineNameBytes)), 0);
        }
        Text(x + 90, y + 30, fstr("%08d", score), 2);
    }
}

void MyGame::DefaultScoreDisplay(int mode) {
    const int base = BoardBase(SelectedSet);
    if (base < 0) return;

    if (Abs(ShownScore - Score) < 1) ShownScore = Score;
    ShownScore += (Score - ShownScore) / 6;
    if (Abs(ShownScore - Score) < 2) ShownScore = Score;
    if (ShotMode != 0) return;  // clean screenshots

    ResetDraw();
    SetSize(1);
    SetCol(150, 255, 150, 0.8f);
    Text(ViewWidth * 0.5f, 20, fstr("%08d", static_cast<int>(ShownScore)), 1);

    // The local score to beat: the best entry the score has not passed yet.
    SetSize(0.5f);
    int p = kListLength;
    for (int i = kListLength - 1; i >= 0; i--)
        if (Score > static_cast<float>(ScoreTable[base + i])) p = i - 1;
    if (p < 1) p = 0;
    if (p == kListLength) p = kListLength - 1;
    SetCol(150, 220, 255, 0.8f);
    Text(ViewWidth * 0.5f + 180, 16, fstr("%s %08d", nth(p + 1), ScoreTable[base + p]), 1);

    if (OnlineScoresReceived == 1) {
        p = kListLength - 1;
        for (int i = kListLength - 1; i >= 0; i--)
            if (Score > static_cast<float>(OnlineScoreTable[base + i])) p = i - 1;
        if (p < 0) p = 0;
        const char* name = OnlineNameTable[base + p];
        const std::string shown(name, strnlen(name, zindle::kOnlineNameBytes));
        SetCol(255, 220, 150, 0.8f);
        Text(ViewWidth * 0.5f - 128, 16, fstr("%s %08d", shown.c_str(), OnlineScoreTable[base + p]), 2);
    }

    if (mode == 1) {  // the icon row; the game itself never asks for it
        ResetDraw();
        SetSize(0.75f);
        for (int i = 0; i < static_cast<int>(IconCount) && i < 10; i++)
            DrawImg(52, ViewWidth - 32 - i * 28, 56, 9);
    }
}
