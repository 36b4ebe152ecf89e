#pragma once
// Teachers' passwords are kept only as salted PBKDF2-SHA256 digests:
// "pbkdf2-sha256$<iterations>$<salt base64>$<digest base64>".

#include <string>

namespace velmora {

std::string hash_password(const std::string& password, int iterations = 20000);
bool verify_password(const std::string& password, const std::string& stored);
// Spends the same time as a real check, so a missing teacher is not told
// apart from a wrong password by the reply time.
void burn_password_check(const std::string& password);

}  // namespace velmora
