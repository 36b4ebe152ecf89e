#pragma once

class QGuiApplication;

namespace app {

// The face every screen's Chinese captions are drawn in. Left to the
// system, Qt takes the first CJK face of its fallback list, which is a
// Kai (brush) face once one is installed and makes the captions look
// spaced and blotchy; the screens are laid out for a plain sans face.
inline constexpr const char* cjk_ui_family = "Noto Sans CJK SC";

// Adds the face after the application's default one, so Latin text keeps
// the system's face and Chinese text takes this one. Call once after the
// application object exists; nothing changes when the face is missing.
void prefer_cjk_ui_font(QGuiApplication& app);

}  // namespace app
