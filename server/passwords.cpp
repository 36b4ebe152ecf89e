#include "passwords.h"

#include <QByteArray>
#include <QCryptographicHash>
#include <QList>
#include <QPasswordDigestor>
#include <QRandomGenerator>

namespace velmora {

static QByteArray derive(const std::string& password, const QByteArray& salt, int iterations)
{
    return QPasswordDigestor::deriveKeyPbkdf2(QCryptographicHash::Sha256,
                                              QByteArray::fromStdString(password), salt,
                                              iterations, 32);
}

std::string hash_password(const std::string& password, int iterations)
{
    QByteArray salt(16, Qt::Uninitialized);
    QRandomGenerator::system()->fillRange(reinterpret_cast<quint32*>(salt.data()), 4);
    const QByteArray digest = derive(password, salt, iterations);
    return "pbkdf2-sha256$" + std::to_string(iterations) + "$" + salt.toBase64().toStdString() + "$"
           + digest.toBase64().toStdString();
}

bool verify_password(const std::string& password, const std::string& stored)
{
    const QList<QByteArray> parts = QByteArray::fromStdString(stored).split('$');
    if (parts.size() != 4 || parts[0] != "pbkdf2-sha256") return false;
    bool ok = false;
    const int iterations = parts[1].toInt(&ok);
    if (!ok || iterations < 1 || iterations > 10'000'000) return false;
    const QByteArray salt = QByteArray::fromBase64(parts[2]);
    const QByteArray want = QByteArray::fromBase64(parts[3]);
    const QByteArray got = derive(password, salt, iterations);
    if (got.size() != want.size()) return false;
    unsigned char diff = 0;  // constant time: no early exit on the first mismatch
    for (qsizetype i = 0; i < got.size(); ++i) diff |= static_cast<unsigned char>(got[i] ^ want[i]);
    return diff == 0;
}

void burn_password_check(const std::string& password)
{
    (void)derive(password, QByteArray(16, 'x'), 20000);
}

}  // namespace velmora
