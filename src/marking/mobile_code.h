#pragma once
#include <QString>

namespace app { struct Session; }

// The mobile-marking code under the answer images: a QR code of the
// server's mobile marking page for this teacher and work selection.
namespace marking {

// The text the QR code carries: Server_URL + "cj/mobi_main.asp?ewm=" +
// ks_id|KM_id|User_ID|th_bj, not encoded.
QString mobile_code_data(const app::Session& s, const QString& th_bj);

// The block written under the images: "<hr><center><img src=" + service +
// "/?app=qr.get&data=" + data + " alt='手机扫一扫，使用移动端阅卷...'><br>手机阅卷，请扫二维码".
QString mobile_code_block(const QString& data, const QString& qrService);
// The block with the installation's service address (app::site::qr_service).
QString mobile_code_block(const app::Session& s, const QString& th_bj);

// With no external service configured (the default) the screen draws the
// code itself (qr_code_image) from mobile_code_data, and fetches nothing.
bool mobile_code_drawn_locally(const QString& qrService);
bool mobile_code_drawn_locally();

QString mobile_code_caption();  // "手机阅卷，请扫二维码"
QString mobile_code_alt();      // "手机扫一扫，使用移动端阅卷..."

// refresh_mobile_code: the address it composes (nothing is loaded from it).
QString refresh_mobile_code(const app::Session& s, const QString& th_bj);

}  // namespace marking
