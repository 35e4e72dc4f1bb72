#include <nettle/sha2.h>

#include "run/run_id.h"

namespace skelvar::run {

std::string RunId(std::string_view canonicalBytes) {
  sha256_ctx context;
  sha256_init(&context);
  sha256_update(&context, canonicalBytes.size(),
                reinterpret_cast<const uint8_t*>(canonicalBytes.data()));
  uint8_t digest[SHA256_DIGEST_SIZE];
  sha256_digest(&context, SHA256_DIGEST_SIZE, digest);
  constexpr std::string_view hex = "0123456789abcdef";
  std::string out;
  out.reserve(2 * SHA256_DIGEST_SIZE);
  for (const uint8_t b : digest) {
    out.push_back(hex[b >> 4]);
    out.push_back(hex[b & 15]);
  }
  return out;
}

}  // namespace skelvar::run
