#include "ui/BackgroundRunner.h"

#include <exception>

#include <QCoreApplication>
#include <utility>

TBackgroundRunner::~TBackgroundRunner()
{
    StopAsked_ = true;
    if (Worker_.joinable()) {
        Worker_.join();
    }
}

void TBackgroundRunner::Start(std::function<void()> Work)
{
    StopAsked_ = false;
    Running_ = true;
    Worker_ = std::thread([this, Work = std::move(Work)] {
        std::string Failure;
        try {
            Work();
        } catch (const std::exception& E) {
            Failure = E.what();
            if (Failure.empty()) {
                Failure = "an unknown error";
            }
        }
        Post([this, Failure] { Join(Failure); });
    });
}

void TBackgroundRunner::Post(std::function<void()> Show)
{
    QMetaObject::invokeMethod(this, std::move(Show), Qt::QueuedConnection);
}

void TBackgroundRunner::Join(const std::string& Failure)
{
    if (!Running_) {
        return;  // Wait delivered it already
    }
    if (Worker_.joinable()) {
        Worker_.join();
    }
    Running_ = false;
    emit Finished(QString::fromStdString(Failure));
}

void TBackgroundRunner::Wait()
{
    if (!Running_) {
        return;
    }
    if (Worker_.joinable()) {
        Worker_.join();
    }
    // What the work posted is still queued: deliver it, then the end.
    QCoreApplication::sendPostedEvents(this);
}
