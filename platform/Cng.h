#pragma once

// A CNG-shaped hashing layer over GNU nettle: the calls, status codes and
// property names of the Windows hash API, for the algorithms the checksum
// dialog offers ("MD2", "MD4", "MD5", "SHA1", "SHA256", "SHA384", "SHA512",
// matched exactly). As with CNG, the caller owns the hash object's memory: it
// asks for "ObjectLength" and passes a buffer at least that large, aligned as
// operator new aligns. Every handle may be used by one thread at a time.

#include <QStringView>

#include <cstdint>

namespace cng {

using NTSTATUS = int32_t;
using ULONG = uint32_t;

struct Algorithm;
struct Hash;
using BCRYPT_ALG_HANDLE = Algorithm*;
using BCRYPT_HASH_HANDLE = Hash*;

inline constexpr NTSTATUS STATUS_SUCCESS = 0;
inline constexpr NTSTATUS STATUS_INVALID_HANDLE = NTSTATUS(0xC0000008);
inline constexpr NTSTATUS STATUS_INVALID_PARAMETER = NTSTATUS(0xC000000D);
inline constexpr NTSTATUS STATUS_NO_MEMORY = NTSTATUS(0xC0000017);
inline constexpr NTSTATUS STATUS_BUFFER_TOO_SMALL = NTSTATUS(0xC0000023);
inline constexpr NTSTATUS STATUS_NOT_SUPPORTED = NTSTATUS(0xC00000BB);
inline constexpr NTSTATUS STATUS_NOT_FOUND = NTSTATUS(0xC0000225);

constexpr bool NT_SUCCESS(NTSTATUS status)
{
    return status >= 0;
}

// Property names, each a 4-byte ULONG.
inline constexpr char16_t BCRYPT_OBJECT_LENGTH[] = u"ObjectLength";
inline constexpr char16_t BCRYPT_HASH_LENGTH[] = u"HashDigestLength";

// STATUS_NOT_FOUND for an algorithm the layer does not have.
NTSTATUS BCryptOpenAlgorithmProvider(BCRYPT_ALG_HANDLE* phAlgorithm, QStringView algId);
// STATUS_NOT_SUPPORTED for an unknown property, STATUS_BUFFER_TOO_SMALL below 4 bytes.
NTSTATUS BCryptGetProperty(BCRYPT_ALG_HANDLE hAlgorithm, QStringView property, uint8_t* output, ULONG cbOutput,
                           ULONG* pcbResult);
// The state lives in hashObject, which must outlive the hash handle.
NTSTATUS BCryptCreateHash(BCRYPT_ALG_HANDLE hAlgorithm, BCRYPT_HASH_HANDLE* phHash, uint8_t* hashObject,
                          ULONG cbHashObject);
NTSTATUS BCryptHashData(BCRYPT_HASH_HANDLE hHash, const uint8_t* input, ULONG cbInput);
// cbOutput must be the digest length exactly.
NTSTATUS BCryptFinishHash(BCRYPT_HASH_HANDLE hHash, uint8_t* output, ULONG cbOutput);
NTSTATUS BCryptDestroyHash(BCRYPT_HASH_HANDLE hHash);
NTSTATUS BCryptCloseAlgorithmProvider(BCRYPT_ALG_HANDLE hAlgorithm);

} // namespace cng
