// Fuzz target: "Settings.sav" and the save file as the input gives them (its
// first 4,496 bytes are the settings file, the rest the save file), loaded by
// a game as the launch leaves it. What that game holds is then saved and
// loaded by a second game, which must hold exactly the same tables. Both
// games are made fresh for every input in storage kept between inputs.

#include <cstdlib>
#include <filesystem>
#include <vector>

#include "fresh_game.h"
#include "fuzz_support.h"
#include "save_format.h"

namespace {

using gametest::FreshGame;

struct Tables {
    std::vector<int> settings, scores, keys;
};

// Fills `t` with what the game holds. The tables are kept between inputs:
// under AddressSanitizer freed memory is not given out again for a while, so
// tables made anew would be new pages, faulted in at every input.
void Held(MyGame& g, Tables* t) {
    t->settings.assign(g.Settings, g.Settings + zindle::kSettings);
    t->scores.assign(g.ScoreTable, g.ScoreTable + zindle::kScoreEntries);
    t->keys.clear();
    for (int j = 0; j < kuvo::kVirtualKeys; j++)
        for (int k = 0; k < kuvo::kBindingSlots; k++) t->keys.push_back(g.KeyValue(j, k));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // Score requests stay off: an input may well set an online name.
    static const int quiet = setenv("ZINDLE_SCORE_HOST", "", 1);
    (void)quiet;
    const std::string& dir = fuzzsupport::ProgramFolder();
    static FreshGame first, second;
    first.Renew();
    gametest::BeforeLoad(*first, dir);
    const std::string saveName = zindle::SaveFileName(first->GameNumber, first->Title, sizeof first->Title);
    const size_t settingsBytes = std::min(size, static_cast<size_t>(zindle::kSettingsFileBytes));
    fuzzsupport::WriteInput(zindle::kSettingsFileName, data, settingsBytes);
    fuzzsupport::WriteInput(saveName, data + settingsBytes, size - settingsBytes);

    static Tables loaded, again;
    first->Load();
    Held(*first, &loaded);
    first->Save();
    FUZZ_CHECK(std::filesystem::file_size(dir + "/" + zindle::kSettingsFileName) ==
               static_cast<uintmax_t>(zindle::kSettingsFileBytes));
    FUZZ_CHECK(std::filesystem::file_size(dir + "/" + saveName) == static_cast<uintmax_t>(zindle::kSaveFileBytes));

    second.Renew();
    gametest::BeforeLoad(*second, dir);
    second->Load();
    Held(*second, &again);
    FUZZ_CHECK(again.settings == loaded.settings);
    FUZZ_CHECK(again.scores == loaded.scores);
    FUZZ_CHECK(again.keys == loaded.keys);
    FUZZ_CHECK(second->SettingsFileRejected == 0 && second->SaveFileRejected == 0);
    return 0;
}
