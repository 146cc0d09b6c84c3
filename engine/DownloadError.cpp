#include "engine/DownloadError.h"

#include "engine/ErrorTexts.h"
#include "platform/StringTable.h"
#include "platform/SystemError.h"

void CDownloadError::Clear()
{
    std::lock_guard lock(m_cs);
    m_nErrorCounter = 0;
    m_nErrorId = 0;
    m_strMessage.clear();
    m_strDetail.clear();
}

void CDownloadError::SetError(TextId messageId, QStringView detail)
{
    Set(std::nullopt, LoadResString(messageId), detail.toString());
}

void CDownloadError::SetError(TextId messageId, TextId detailId)
{
    Set(std::nullopt, LoadResString(messageId), LoadResString(detailId));
}

void CDownloadError::SetSystemError(TextId messageId, int code)
{
    Set(uint32_t(code), LoadResString(messageId), GetSystemErrorText(code));
}

void CDownloadError::SetInternetError(TextId messageId, uint32_t code)
{
    QString detail;
    GetInternetErrorText(code, detail);
    Set(code, LoadResString(messageId), std::move(detail));
}

void CDownloadError::CopyFrom(const CDownloadError& other)
{
    // Never both locks at once: the copy leaves one record before it enters the other.
    std::unique_lock lock(other.m_cs);
    const uint32_t errorId = other.m_nErrorId;
    QString message = other.m_strMessage;
    QString detail = other.m_strDetail;
    const int counter = other.m_nErrorCounter;
    lock.unlock();
    if (counter == 0)
        return;
    std::lock_guard own(m_cs);
    m_nErrorId = errorId;
    m_strMessage = std::move(message);
    m_strDetail = std::move(detail);
    m_nErrorCounter = counter;
}

QString CDownloadError::GetText() const
{
    std::lock_guard lock(m_cs);
    QString text = m_strMessage;
    if (!m_strDetail.isEmpty())
        text += u' ' + m_strDetail;
    if (m_nErrorId != 0)
        text += QStringLiteral(" (%1)").arg(m_nErrorId);
    return text;
}

uint32_t CDownloadError::GetErrorId() const
{
    std::lock_guard lock(m_cs);
    return m_nErrorId;
}

// One lock for the id and the texts, so that no reader or other setter ever
// pairs the texts of one error with the number of another.
void CDownloadError::Set(std::optional<uint32_t> code, QString message, QString detail)
{
    std::lock_guard lock(m_cs);
    if (code)
        m_nErrorId = *code;
    m_strMessage = std::move(message);
    m_strDetail = std::move(detail);
    ++m_nErrorCounter;
}
