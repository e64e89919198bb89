// The TFTP control: sends one local file to a camera's TFTP server (RFC 1350,
// octet mode, 512-byte blocks, no options) through libcurl's TFTP client on a
// worker thread. Events arrive queued on the GUI thread, in order, never from
// inside a member call. After Abort (or the object's end) nothing more is
// reported.
//
// The remote file name is "TempFW.BIN"; the port is 69 unless the environment
// variable CAM_TFTP_PORT or SetTftpPort names another (tests, the demo).
#pragma once

#include <QObject>
#include <QString>
#include <memory>

class TFTP : public QObject {
    Q_OBJECT
public:
    // The largest file plain 16-bit block numbers can carry.
    static constexpr qint64 kMaxFileBytes = 65535LL * 512 - 1;
    static constexpr int kActionSend = 2;

    explicit TFTP(QObject* parent = nullptr);
    ~TFTP() override;

    void setRemoteHost(const QString& host) { m_remoteHost = host; }
    QString remoteHost() const { return m_remoteHost; }
    void setLocalFile(const QString& path) { m_localFile = path; }
    QString localFile() const { return m_localFile; }
    // kActionSend starts sending LocalFile to RemoteHost; other values do nothing.
    void setAction(int action);
    // Stops a transfer at once; no further event is reported.
    void Abort();
    bool busy() const;

    static int Port();
    static void SetTftpPort(int port);  // 0: back to the program's port
    static QString RemoteFileName() { return QStringLiteral("TempFW.BIN"); }

signals:
    void TransferStart();
    void Progress(qint64 bytesSent);
    void TransferComplete();
    void TransferError(int code, const QString& text);

private:
    struct Job;
    QString m_remoteHost;
    QString m_localFile;
    std::shared_ptr<Job> m_job;
};
