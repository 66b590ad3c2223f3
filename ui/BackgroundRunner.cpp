#include "ui/BackgroundRunner.h"

#include <exception>
#include <utility>

#include <sys/resource.h>
#include <unistd.h>

#include <QCoreApplication>

namespace {

// The work fills every core; at a lower priority the window thread still gets one the moment it
// has events to handle. Threads the work starts inherit it.
void LowerThisThreadsPriority()
{
    constexpr int WorkNice = 10;
    ::setpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()), WorkNice);
}

}  // namespace

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
    // Running only once the thread exists (std::thread throws when none can be had); its end is
    // delivered on this thread, so never before this function returns.
    Worker_ = std::thread([this, Work = std::move(Work)] {
        LowerThisThreadsPriority();
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
    Running_ = true;
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

void TBackgroundRunner::Abandon()
{
    StopAsked_ = true;
    disconnect();
    if (Worker_.joinable()) {
        Worker_.join();
    }
    Running_ = false;
}
