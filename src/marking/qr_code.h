#pragma once
#include <QImage>
#include <QString>

namespace marking {

// Quiet zone around the code, in modules, as scanners expect it.
inline constexpr int kQrQuietZone = 4;

// A QR code (level M, the text's UTF-8 bytes) drawn here, black modules on
// white, each module moduleSize pixels, with the quiet zone. A null image
// when the text is too long for a QR code or moduleSize is below 1.
QImage qr_code_image(const QString& text, int moduleSize);

}  // namespace marking
