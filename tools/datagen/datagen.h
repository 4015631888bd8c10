// The generators of the game's data folder, one per file they write. Each
// writes into the folder it is given and returns false (after a message on
// standard error) when it cannot; none reads any image or sound from disk.
#pragma once

#include <string>

namespace dg {

class TrueType;

// The bold face every piece of text is rasterised from.
const TrueType& BoldFont();

bool MakeFont(const std::string& dir);           // entplain.png
bool MakeEngineLogo(const std::string& dir);     // KUVOLogo.png
bool MakeTitleLogo(const std::string& dir);      // logo.png
bool MakeGameSprites(const std::string& dir);    // gfx.png
bool MakeIcons(const std::string& dir);          // icons.png
bool MakeOptionIcons(const std::string& dir);    // options.png
bool MakeParticles(const std::string& dir);      // particles.png
bool MakeMenuPictures(const std::string& dir);   // menu_back.png, menu_front.png
bool MakeSounds(const std::string& audioDir);    // 95, 01..04, 98, 99 .wav
bool MakeMusic(const std::string& audioDir);     // bloke.ogg

// Saves a canvas, reporting a failure on standard error.
class Canvas;
bool Save(const Canvas& c, const std::string& dir, const char* name);

}  // namespace dg
