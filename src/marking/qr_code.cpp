#include "marking/qr_code.h"

#include <qrencode.h>

#include <memory>

namespace marking {

QImage qr_code_image(const QString& text, int moduleSize)
{
    if (moduleSize < 1 || moduleSize > 64)
        return {};
    const QByteArray bytes = text.toUtf8();
    std::unique_ptr<QRcode, decltype(&QRcode_free)> code(
        QRcode_encodeData(static_cast<int>(bytes.size()), reinterpret_cast<const unsigned char*>(bytes.constData()),
                          0, QR_ECLEVEL_M),
        &QRcode_free);
    if (!code)
        return {};
    const int modules = code->width + 2 * kQrQuietZone;
    QImage image(modules * moduleSize, modules * moduleSize, QImage::Format_Grayscale8);
    image.fill(255);
    for (int y = 0; y < code->width; ++y) {
        for (int x = 0; x < code->width; ++x) {
            if (!(code->data[y * code->width + x] & 1))
                continue;
            const int px = (x + kQrQuietZone) * moduleSize, py = (y + kQrQuietZone) * moduleSize;
            for (int dy = 0; dy < moduleSize; ++dy)
                std::fill_n(image.scanLine(py + dy) + px, moduleSize, uchar(0));
        }
    }
    return image;
}

}  // namespace marking
