#include "platform/inet/Inet.h"

namespace inet {

namespace {

struct Entry
{
    DWORD code;
    const char16_t* text;
};

// The layer's message table: one text per code it can set, in the interface
// language and without a trailing line break.
constexpr Entry kTexts[] = {
    {ERROR_INVALID_HANDLE, u"句柄无效。"},
    {ERROR_NOT_ENOUGH_MEMORY, u"内存不足，无法完成此操作。"},
    {ERROR_INVALID_PARAMETER, u"参数错误。"},
    {ERROR_INSUFFICIENT_BUFFER, u"缓冲区太小。"},
    {ERROR_INTERNET_TIMEOUT, u"请求超时。"},
    {ERROR_INTERNET_EXTENDED_ERROR, u"服务器返回了扩展错误信息。"},
    {ERROR_INTERNET_INTERNAL_ERROR, u"发生内部错误。"},
    {ERROR_INTERNET_INVALID_URL, u"URL 无效。"},
    {ERROR_INTERNET_NAME_NOT_RESOLVED, u"无法解析服务器的名称或地址。"},
    {ERROR_INTERNET_INVALID_OPTION, u"选项无效。"},
    {ERROR_INTERNET_BAD_OPTION_LENGTH, u"选项的长度不正确。"},
    {ERROR_INTERNET_LOGIN_FAILURE, u"登录失败。"},
    {ERROR_INTERNET_OPERATION_CANCELLED, u"操作已取消。"},
    {ERROR_INTERNET_INCORRECT_HANDLE_TYPE, u"句柄类型不适用于此操作。"},
    {ERROR_INTERNET_INCORRECT_HANDLE_STATE, u"句柄的当前状态不允许此操作。"},
    {ERROR_INTERNET_CANNOT_CONNECT, u"无法与服务器建立连接。"},
    {ERROR_INTERNET_CONNECTION_ABORTED, u"与服务器的连接已中断。"},
    {ERROR_INTERNET_CONNECTION_RESET, u"与服务器的连接已被重置。"},
    {ERROR_INTERNET_SEC_CERT_DATE_INVALID, u"服务器证书已过期或尚未生效。"},
    {ERROR_INTERNET_SEC_CERT_CN_INVALID, u"服务器证书上的名称与服务器名称不符。"},
    {ERROR_INTERNET_CLIENT_AUTH_CERT_NEEDED, u"服务器要求提供客户端证书。"},
    {ERROR_INTERNET_INVALID_CA, u"服务器证书的颁发机构不受信任。"},
    {ERROR_INTERNET_SEC_CERT_REV_FAILED, u"无法检查证书的吊销状态。"},
    {ERROR_INTERNET_SEC_CERT_WEAK_SIGNATURE, u"服务器证书使用了弱签名算法或过短的密钥。"},
    {ERROR_HTTP_HEADER_NOT_FOUND, u"找不到所请求的标头。"},
    {ERROR_HTTP_INVALID_SERVER_RESPONSE, u"无法解析服务器的响应。"},
    {ERROR_HTTP_INVALID_HEADER, u"标头内容无效。"},
    {ERROR_HTTP_INVALID_QUERY_REQUEST, u"查询请求无效。"},
    {ERROR_INTERNET_SECURITY_CHANNEL_ERROR, u"建立安全连接时出错。"},
    {ERROR_INTERNET_PROXY_SERVER_UNREACHABLE, u"无法连接到代理服务器。"},
    {ERROR_INTERNET_SEC_INVALID_CERT, u"服务器证书无效。"},
    {ERROR_INTERNET_SEC_CERT_REVOKED, u"服务器证书已被吊销。"},
};

} // namespace

QString ErrorText(DWORD code)
{
    for (const Entry& entry : kTexts) {
        if (entry.code == code)
            return QString::fromUtf16(entry.text);
    }
    return {};
}

} // namespace inet
