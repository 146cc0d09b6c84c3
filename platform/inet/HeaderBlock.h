#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

namespace inet {

// One response header block as libcurl hands it over line by line: a status
// line, header lines (folded lines joined) and the empty line that closes it.
class HeaderBlock
{
public:
    // Starts a new block for a line that begins with "HTTP/".
    static HeaderBlock fromStatusLine(const QByteArray& line);
    explicit HeaderBlock(int status = 0) : m_status(status) {}

    // A line without its CR LF; a line starting with SP or HT continues the previous one.
    void addLine(const QByteArray& line);

    int status() const { return m_status; }
    // The first header of that name, trimmed of spaces and tabs; the name is compared without regard to case.
    std::optional<QByteArray> value(QByteArrayView name) const;
    // Every coding that Transfer-Encoding names, on however many lines, is
    // chunked or identity: none that the body would have to be decoded from.
    bool codedOnlyInChunks() const;
    // value() as text: UTF-8 when valid, else GB18030 (what servers of the target
    // users send for names), else Latin-1 byte for byte.
    std::optional<QString> text(QByteArrayView name) const;

    static QString decode(const QByteArray& bytes);

private:
    int m_status = 0;
    QList<QByteArray> m_lines;
};

} // namespace inet
