#include "platform/sessionlock.h"

#include <QObject>
#include <QProcess>
#include <QTimer>

#include "platform/environment.h"

namespace qel::platform {
namespace {

// How often the session's lock state is asked for while the locker comes up: only in the seconds
// after a lock request.
constexpr std::chrono::milliseconds kAskEvery{150};

class LoginManagerLocker : public SessionLocker, public QObject {
public:
    explicit LoginManagerLocker(std::chrono::milliseconds wait) : wait_(wait)
    {
        const std::string id = Environment("XDG_SESSION_ID");
        session_ = QString::fromStdString(id.empty() ? std::string("auto") : id);
        deadline_.setSingleShot(true);
        connect(&deadline_, &QTimer::timeout, this, [this] {
            Finish(false, "no screen locker answered within " + std::to_string(wait_.count() / 1000) + " seconds");
        });
        ask_.setSingleShot(true);
        connect(&ask_, &QTimer::timeout, this, [this] { AskLocked(); });
    }

    ~LoginManagerLocker() override { Stop(); }

    void Lock(std::function<void(bool, const std::string&)> done) override
    {
        Stop();
        done_ = std::move(done);
        deadline_.start(wait_);
        Run({QStringLiteral("lock-session"), session_}, [this](int code, const QByteArray&) {
            if (code != 0)
                Finish(false, "logind refused to lock the session (loginctl lock-session)");
            else
                AskLocked();
        });
    }

private:
    void AskLocked()
    {
        Run({QStringLiteral("show-session"), session_, QStringLiteral("-p"), QStringLiteral("LockedHint"),
             QStringLiteral("--value")},
            [this](int code, const QByteArray& output) {
                if (code == 0 && output.trimmed() == "yes")
                    Finish(true, {});
                else
                    ask_.start(kAskEvery);
            });
    }

    // Runs loginctl without waiting for it; `finished` gets its exit code (-1: it could not run).
    void Run(const QStringList& arguments, std::function<void(int, const QByteArray&)> finished)
    {
        Retire();
        process_ = std::make_unique<QProcess>();
        process_->setProgram(QStringLiteral("loginctl"));
        process_->setArguments(arguments);
        process_->setStandardInputFile(QProcess::nullDevice());
        process_->setStandardErrorFile(QProcess::nullDevice());
        QProcess* p = process_.get();
        connect(p, &QProcess::finished, this, [p, finished](int code, QProcess::ExitStatus status) {
            finished(status == QProcess::NormalExit ? code : -1, p->readAllStandardOutput());
        });
        connect(p, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
            if (error == QProcess::FailedToStart)
                QTimer::singleShot(0, this, [this] { Finish(false, "loginctl cannot be started"); });
        });
        process_->start();
    }

    // The last process may be the one whose signal runs now: it goes once the event loop is back.
    void Retire()
    {
        if (!process_)
            return;
        process_->disconnect(this);
        process_->kill();
        process_.release()->deleteLater();
    }

    void Finish(bool locked, const std::string& why)
    {
        auto done = std::move(done_);
        Stop();  // a question still under way asks nothing more
        if (done)
            done(locked, why);
    }

    void Stop()
    {
        done_ = nullptr;
        deadline_.stop();
        ask_.stop();
        Retire();
    }

    std::chrono::milliseconds wait_;
    QString session_;
    QTimer deadline_;
    QTimer ask_;
    std::unique_ptr<QProcess> process_;
    std::function<void(bool, const std::string&)> done_;
};

}  // namespace

std::unique_ptr<SessionLocker> MakeLoginManagerLocker(std::chrono::milliseconds wait)
{
    return std::make_unique<LoginManagerLocker>(wait);
}

}  // namespace qel::platform
