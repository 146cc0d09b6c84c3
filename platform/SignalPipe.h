#pragma once

#include <QObject>

#include <initializer_list>

class QSocketNotifier;

// Turns process signals into a Qt signal on the thread that made the object:
// the handler only writes the signal's number into a pipe, which the event loop
// watches. One object per process.
class CSignalPipe : public QObject
{
    Q_OBJECT

public:
    explicit CSignalPipe(std::initializer_list<int> signalNumbers, QObject* parent = nullptr);
    ~CSignalPipe() override;
    CSignalPipe(const CSignalPipe&) = delete;
    CSignalPipe& operator=(const CSignalPipe&) = delete;

signals:
    void Received(int signalNumber);

private:
    void OnReadable();

    QSocketNotifier* m_notifier = nullptr;
};
