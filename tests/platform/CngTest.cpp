#include "platform/Cng.h"

#include <gtest/gtest.h>

#include <QByteArray>
#include <QString>

#include <memory>

using namespace cng;

namespace {

struct Algo
{
    const char16_t* id;
    ULONG contextSize; // nettle 3.8 on amd64
    ULONG digestSize;
};

const Algo kAlgorithms[] = {
    {u"MD2", 84, 16},     {u"MD4", 96, 16},     {u"MD5", 96, 16},     {u"SHA1", 104, 20},
    {u"SHA256", 112, 32}, {u"SHA384", 216, 48}, {u"SHA512", 216, 64},
};

ULONG Property(BCRYPT_ALG_HANDLE algorithm, const char16_t* name)
{
    ULONG value = 0;
    ULONG size = 0;
    EXPECT_EQ(BCryptGetProperty(algorithm, name, reinterpret_cast<uint8_t*>(&value), sizeof value, &size),
              STATUS_SUCCESS);
    EXPECT_EQ(size, 4u);
    return value;
}

// The whole CNG sequence over `input`; the hex digest, or the failing status as text.
QString Digest(QStringView id, const QByteArray& input)
{
    BCRYPT_ALG_HANDLE algorithm = nullptr;
    if (NTSTATUS status = BCryptOpenAlgorithmProvider(&algorithm, id); !NT_SUCCESS(status))
        return QString::number(uint32_t(status), 16);
    const ULONG objectLength = Property(algorithm, BCRYPT_OBJECT_LENGTH);
    const ULONG digestLength = Property(algorithm, BCRYPT_HASH_LENGTH);
    const auto object = std::make_unique<uint8_t[]>(objectLength);
    QByteArray digest(digestLength, '\0');
    BCRYPT_HASH_HANDLE hash = nullptr;
    EXPECT_EQ(BCryptCreateHash(algorithm, &hash, object.get(), objectLength), STATUS_SUCCESS);
    EXPECT_EQ(BCryptHashData(hash, reinterpret_cast<const uint8_t*>(input.constData()), ULONG(input.size())),
              STATUS_SUCCESS);
    EXPECT_EQ(BCryptFinishHash(hash, reinterpret_cast<uint8_t*>(digest.data()), digestLength), STATUS_SUCCESS);
    EXPECT_EQ(BCryptDestroyHash(hash), STATUS_SUCCESS);
    EXPECT_EQ(BCryptCloseAlgorithmProvider(algorithm), STATUS_SUCCESS);
    return QString::fromLatin1(digest.toHex());
}

} // namespace

TEST(Cng, EveryAlgorithmGivesTheStandardDigests)
{
    struct Case
    {
        const char16_t* id;
        const char* input;
        const char* digest;
    };
    const Case cases[] = {
        {u"MD2", "", "8350e5a3e24c153df2275c9f80692773"},
        {u"MD2", "abc", "da853b0d3f88d99b30283a69e6ded6bb"},
        {u"MD2", "message digest", "ab4f496bfb2a530b219ff33031fe06b0"},
        {u"MD4", "", "31d6cfe0d16ae931b73c59d7e0c089c0"},
        {u"MD4", "abc", "a448017aaf21d8525fc10ae87aa6729d"},
        {u"MD4", "message digest", "d9130a8164549fe818874806e1c7014b"},
        {u"MD5", "", "d41d8cd98f00b204e9800998ecf8427e"},
        {u"MD5", "abc", "900150983cd24fb0d6963f7d28e17f72"},
        {u"SHA1", "", "da39a3ee5e6b4b0d3255bfef95601890afd80709"},
        {u"SHA1", "abc", "a9993e364706816aba3e25717850c26c9cd0d89d"},
        {u"SHA256", "", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
        {u"SHA256", "abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
        {u"SHA384", "",
         "38b060a751ac96384cd9327eb1b1e36a21fdb71114be07434c0cc7bf63f6e1da274edebfe76f65fbd51ad2f14898b95b"},
        {u"SHA384", "abc",
         "cb00753f45a35e8bb5a03d699ac65007272c32ab0eded1631a8b605a43ff5bed8086072ba1e7cc2358baeca134c825a7"},
        {u"SHA512", "",
         "cf83e1357eefb8bdf1542850d66d8007d620e4050b5715dc83f4a921d36ce9ce"
         "47d0d13c5d85f2b0ff8318d2877eec2f63b931bd47417a81a538327af927da3e"},
        {u"SHA512", "abc",
         "ddaf35a193617abacc417349ae20413112e6fa4e89a97ea20a9eeee64b55d39a"
         "2192992a274fc1a836ba3c23a3feebbd454d4423643ce80e2a9ac94fa54ca49f"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Digest(c.id, c.input), QLatin1String(c.digest)) << QStringView(c.id).toString().toStdString() << " " << c.input;
}

TEST(Cng, PropertiesGiveTheContextAndDigestSizes)
{
    for (const Algo& a : kAlgorithms) {
        BCRYPT_ALG_HANDLE algorithm = nullptr;
        ASSERT_EQ(BCryptOpenAlgorithmProvider(&algorithm, a.id), STATUS_SUCCESS);
        EXPECT_EQ(Property(algorithm, BCRYPT_OBJECT_LENGTH), a.contextSize) << QStringView(a.id).toString().toStdString();
        EXPECT_EQ(Property(algorithm, BCRYPT_HASH_LENGTH), a.digestSize) << QStringView(a.id).toString().toStdString();
        uint8_t small[3];
        ULONG size = 0;
        EXPECT_EQ(BCryptGetProperty(algorithm, BCRYPT_HASH_LENGTH, small, sizeof small, &size),
                  STATUS_BUFFER_TOO_SMALL);
        EXPECT_EQ(size, 4u);
        ULONG value = 0;
        EXPECT_EQ(BCryptGetProperty(algorithm, u"BlockLength", reinterpret_cast<uint8_t*>(&value), 4, &size),
                  STATUS_NOT_SUPPORTED);
        EXPECT_EQ(BCryptCloseAlgorithmProvider(algorithm), STATUS_SUCCESS);
    }
}

TEST(Cng, UnknownIdsAreNotFound)
{
    // The ids are matched exactly, as CNG's are.
    for (const char16_t* id : {u"sha256", u"SHA-256", u"SHA224", u"RIPEMD160", u""}) {
        BCRYPT_ALG_HANDLE algorithm = nullptr;
        EXPECT_EQ(BCryptOpenAlgorithmProvider(&algorithm, id), STATUS_NOT_FOUND) << QStringView(id).toString().toStdString();
        EXPECT_EQ(algorithm, nullptr);
    }
}

TEST(Cng, CreateRefusesASmallOrMisalignedObject)
{
    BCRYPT_ALG_HANDLE algorithm = nullptr;
    ASSERT_EQ(BCryptOpenAlgorithmProvider(&algorithm, u"SHA512"), STATUS_SUCCESS);
    const ULONG length = Property(algorithm, BCRYPT_OBJECT_LENGTH);
    const auto object = std::make_unique<uint8_t[]>(length + 16);
    BCRYPT_HASH_HANDLE hash = nullptr;
    EXPECT_EQ(BCryptCreateHash(algorithm, &hash, object.get(), length - 1), STATUS_BUFFER_TOO_SMALL);
    EXPECT_EQ(BCryptCreateHash(algorithm, &hash, object.get() + 4, length), STATUS_INVALID_PARAMETER);
    EXPECT_EQ(hash, nullptr);
    EXPECT_EQ(BCryptCloseAlgorithmProvider(algorithm), STATUS_SUCCESS);
}

TEST(Cng, FinishWantsTheExactDigestSizeAndEndsTheHash)
{
    BCRYPT_ALG_HANDLE algorithm = nullptr;
    ASSERT_EQ(BCryptOpenAlgorithmProvider(&algorithm, u"MD5"), STATUS_SUCCESS);
    const ULONG length = Property(algorithm, BCRYPT_OBJECT_LENGTH);
    const auto object = std::make_unique<uint8_t[]>(length);
    BCRYPT_HASH_HANDLE hash = nullptr;
    ASSERT_EQ(BCryptCreateHash(algorithm, &hash, object.get(), length), STATUS_SUCCESS);
    uint8_t digest[17] = {};
    EXPECT_EQ(BCryptFinishHash(hash, digest, 17), STATUS_INVALID_PARAMETER);
    EXPECT_EQ(BCryptFinishHash(hash, digest, 15), STATUS_INVALID_PARAMETER);
    EXPECT_EQ(BCryptFinishHash(hash, digest, 16), STATUS_SUCCESS);
    EXPECT_EQ(QByteArray(reinterpret_cast<char*>(digest), 16).toHex(), "d41d8cd98f00b204e9800998ecf8427e");
    EXPECT_EQ(BCryptHashData(hash, digest, 1), STATUS_INVALID_HANDLE);
    EXPECT_EQ(BCryptFinishHash(hash, digest, 16), STATUS_INVALID_HANDLE);
    EXPECT_EQ(BCryptDestroyHash(hash), STATUS_SUCCESS);
    EXPECT_EQ(BCryptCloseAlgorithmProvider(algorithm), STATUS_SUCCESS);
}
