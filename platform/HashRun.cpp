#include "platform/HashRun.h"

#include "platform/Cng.h"
#include "platform/PosixFile.h"

#include <cerrno>
#include <memory>
#include <new>
#include <system_error>

using namespace cng;

namespace {

struct AlgorithmCloser
{
    void operator()(Algorithm* handle) const { BCryptCloseAlgorithmProvider(handle); }
};

struct HashDestroyer
{
    void operator()(cng::Hash* handle) const { BCryptDestroyHash(handle); }
};

bool GetUlong(BCRYPT_ALG_HANDLE algorithm, QStringView property, ULONG& value)
{
    ULONG size = 0;
    return NT_SUCCESS(BCryptGetProperty(algorithm, property, reinterpret_cast<uint8_t*>(&value), sizeof value, &size));
}

} // namespace

CHashRun::CHashRun(const QString& path, const QString& algorithm)
    : m_strPath(path), m_strAlgorithm(algorithm)
{
    try {
        m_thread = std::jthread([this](std::stop_token stop) { Run(std::move(stop)); });
    } catch (const std::system_error&) {
        m_failure = Failure::Hashing;
        m_bDone.store(true, std::memory_order_release);
    }
}

CHashRun::~CHashRun()
{
    RequestStop(); // the jthread then joins
}

void CHashRun::Run(std::stop_token stop) noexcept
{
    m_failure = Compute(stop);
    if (m_failure != Failure::None)
        m_strHash.clear();
    m_bDone.store(true, std::memory_order_release);
}

CHashRun::Failure CHashRun::Compute(const std::stop_token& stop)
{
    BCRYPT_ALG_HANDLE algorithmHandle = nullptr;
    if (!NT_SUCCESS(BCryptOpenAlgorithmProvider(&algorithmHandle, m_strAlgorithm)))
        return Failure::Hashing;
    const std::unique_ptr<Algorithm, AlgorithmCloser> algorithm(algorithmHandle);
    ULONG objectLength = 0;
    ULONG digestLength = 0;
    if (!GetUlong(algorithmHandle, BCRYPT_OBJECT_LENGTH, objectLength)
        || !GetUlong(algorithmHandle, BCRYPT_HASH_LENGTH, digestLength))
        return Failure::Hashing;
    // new[] gives the alignment the hash object needs.
    const std::unique_ptr<uint8_t[]> object(new (std::nothrow) uint8_t[objectLength]);
    const std::unique_ptr<uint8_t[]> digest(new (std::nothrow) uint8_t[digestLength]);
    if (!object || !digest)
        return Failure::Memory;
    BCRYPT_HASH_HANDLE hashHandle = nullptr;
    if (!NT_SUCCESS(BCryptCreateHash(algorithmHandle, &hashHandle, object.get(), objectLength)))
        return Failure::Hashing;
    const std::unique_ptr<cng::Hash, HashDestroyer> hash(hashHandle);

    // Only a regular file: reading a FIFO or a device could block this thread,
    // and with it the owner's destruction, for ever.
    PosixFile file;
    uint64_t size = 0;
    bool isRegular = false;
    m_nFileError = file.open(m_strPath, PosixFile::Access::ReadOnly);
    if (m_nFileError == 0)
        m_nFileError = file.getStatus(&size, &isRegular);
    if (m_nFileError == 0 && !isRegular)
        m_nFileError = EOPNOTSUPP;
    if (m_nFileError != 0)
        return Failure::File;
    file.adviseSequential();
    const std::unique_ptr<char[]> buffer(new (std::nothrow) char[kChunkSize]);
    if (!buffer)
        return Failure::Memory;
    for (uint64_t offset = 0;;) {
        size_t read = 0;
        m_nFileError = file.readAt(buffer.get(), kChunkSize, offset, &read);
        if (m_nFileError != 0)
            return Failure::File;
        if (read == 0)
            break;
        // Stopped: a digest of the bytes read so far would not be the file's.
        if (stop.stop_requested())
            return Failure::None;
        if (!NT_SUCCESS(BCryptHashData(hashHandle, reinterpret_cast<const uint8_t*>(buffer.get()), ULONG(read))))
            return Failure::Hashing;
        offset += read;
        m_nBytesProcessed.fetch_add(read, std::memory_order_relaxed);
    }
    if (!NT_SUCCESS(BCryptFinishHash(hashHandle, digest.get(), digestLength)))
        return Failure::Hashing;
    m_strHash = QString::fromLatin1(QByteArray(reinterpret_cast<const char*>(digest.get()), digestLength).toHex());
    return Failure::None;
}
