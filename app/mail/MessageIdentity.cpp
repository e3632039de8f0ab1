#include "app/mail/MessageIdentity.h"

#include <openssl/evp.h>

#include <memory>
#include <stdexcept>

namespace app {

HeaderDigest DigestOf(const net::TExStringList& header) {
    const std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> context(EVP_MD_CTX_new(), &EVP_MD_CTX_free);
    HeaderDigest digest{};
    bool done = context && EVP_DigestInit_ex(context.get(), EVP_sha256(), nullptr) == 1;
    for (const std::string& line : header.Lines()) {
        // Each line with its terminator, so lines cannot run into each other.
        done = done && EVP_DigestUpdate(context.get(), line.data(), line.size()) == 1 &&
               EVP_DigestUpdate(context.get(), "\r\n", 2) == 1;
    }
    unsigned int length = 0;
    done = done && EVP_DigestFinal_ex(context.get(), digest.data(), &length) == 1 && length == digest.size();
    // Without a digest no message could be told from another; nothing may be deleted then.
    if (!done) throw std::runtime_error("SHA-256 is not available");
    return digest;
}

MessageIdentity IdentityOf(const net::TSummary& summary, std::string uniqueId) {
    return {std::move(uniqueId), DigestOf(summary.Header), summary.Bytes};
}

int CurrentNumberOf(const MessageIdentity& listed, int listedNumber, const net::TNMPOP3& client) {
    if (!listed.UniqueId.empty()) return client.NumberOfUniqueId(listed.UniqueId);
    return listedNumber >= 1 && listedNumber <= client.MailCount() ? listedNumber : 0;
}

bool IsStillTheListedMessage(const net::TSummary* now, const std::string& uniqueIdNow, const MessageIdentity& listed) {
    if (now == nullptr || now->Bytes != listed.Bytes || DigestOf(now->Header) != listed.Header) return false;
    // Listed without one, the header and the size decide alone.
    return listed.UniqueId.empty() || uniqueIdNow == listed.UniqueId;
}

}  // namespace app
