#include "platform/Cng.h"

#include <nettle/nettle-meta.h>

#include <cstring>
#include <new>

namespace cng {

struct Algorithm
{
    const nettle_hash* hash;
};

struct Hash
{
    const nettle_hash* hash;
    void* context; // the caller's hash object
    bool finished;
};

namespace {

struct Entry
{
    const char16_t* id;
    const nettle_hash* hash;
};

const Entry kAlgorithms[] = {
    {u"MD2", &nettle_md2},       {u"MD4", &nettle_md4},       {u"MD5", &nettle_md5},
    {u"SHA1", &nettle_sha1},     {u"SHA256", &nettle_sha256}, {u"SHA384", &nettle_sha384},
    {u"SHA512", &nettle_sha512},
};

// What operator new guarantees, and what every nettle context needs at most.
constexpr uintptr_t kObjectAlignment = __STDCPP_DEFAULT_NEW_ALIGNMENT__;

NTSTATUS PutUlong(ULONG value, uint8_t* output, ULONG cbOutput, ULONG* pcbResult)
{
    if (!pcbResult)
        return STATUS_INVALID_PARAMETER;
    *pcbResult = sizeof value;
    if (!output || cbOutput < sizeof value)
        return STATUS_BUFFER_TOO_SMALL;
    std::memcpy(output, &value, sizeof value);
    return STATUS_SUCCESS;
}

} // namespace

NTSTATUS BCryptOpenAlgorithmProvider(BCRYPT_ALG_HANDLE* phAlgorithm, QStringView algId)
{
    if (!phAlgorithm)
        return STATUS_INVALID_PARAMETER;
    for (const Entry& entry : kAlgorithms) {
        if (algId != QStringView(entry.id))
            continue;
        *phAlgorithm = new (std::nothrow) Algorithm{entry.hash};
        return *phAlgorithm ? STATUS_SUCCESS : STATUS_NO_MEMORY;
    }
    return STATUS_NOT_FOUND;
}

NTSTATUS BCryptGetProperty(BCRYPT_ALG_HANDLE hAlgorithm, QStringView property, uint8_t* output, ULONG cbOutput,
                           ULONG* pcbResult)
{
    if (!hAlgorithm)
        return STATUS_INVALID_HANDLE;
    if (property == QStringView(BCRYPT_OBJECT_LENGTH))
        return PutUlong(hAlgorithm->hash->context_size, output, cbOutput, pcbResult);
    if (property == QStringView(BCRYPT_HASH_LENGTH))
        return PutUlong(hAlgorithm->hash->digest_size, output, cbOutput, pcbResult);
    return STATUS_NOT_SUPPORTED;
}

NTSTATUS BCryptCreateHash(BCRYPT_ALG_HANDLE hAlgorithm, BCRYPT_HASH_HANDLE* phHash, uint8_t* hashObject,
                          ULONG cbHashObject)
{
    if (!hAlgorithm)
        return STATUS_INVALID_HANDLE;
    if (!phHash || !hashObject || reinterpret_cast<uintptr_t>(hashObject) % kObjectAlignment != 0)
        return STATUS_INVALID_PARAMETER;
    if (cbHashObject < hAlgorithm->hash->context_size)
        return STATUS_BUFFER_TOO_SMALL;
    *phHash = new (std::nothrow) Hash{hAlgorithm->hash, hashObject, false};
    if (!*phHash)
        return STATUS_NO_MEMORY;
    hAlgorithm->hash->init(hashObject);
    return STATUS_SUCCESS;
}

NTSTATUS BCryptHashData(BCRYPT_HASH_HANDLE hHash, const uint8_t* input, ULONG cbInput)
{
    if (!hHash || hHash->finished)
        return STATUS_INVALID_HANDLE;
    if (!input && cbInput > 0)
        return STATUS_INVALID_PARAMETER;
    if (cbInput > 0)
        hHash->hash->update(hHash->context, cbInput, input);
    return STATUS_SUCCESS;
}

NTSTATUS BCryptFinishHash(BCRYPT_HASH_HANDLE hHash, uint8_t* output, ULONG cbOutput)
{
    if (!hHash || hHash->finished)
        return STATUS_INVALID_HANDLE;
    if (!output || cbOutput != hHash->hash->digest_size)
        return STATUS_INVALID_PARAMETER;
    hHash->hash->digest(hHash->context, cbOutput, output);
    hHash->finished = true; // CNG hashes are not reusable once finished
    return STATUS_SUCCESS;
}

NTSTATUS BCryptDestroyHash(BCRYPT_HASH_HANDLE hHash)
{
    if (!hHash)
        return STATUS_INVALID_HANDLE;
    delete hHash;
    return STATUS_SUCCESS;
}

NTSTATUS BCryptCloseAlgorithmProvider(BCRYPT_ALG_HANDLE hAlgorithm)
{
    if (!hAlgorithm)
        return STATUS_INVALID_HANDLE;
    delete hAlgorithm;
    return STATUS_SUCCESS;
}

} // namespace cng
