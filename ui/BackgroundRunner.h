#pragma once
#include <atomic>
#include <functional>
#include <string>
#include <thread>

#include <QObject>

// Runs one piece of long work at a time off the window thread, so that every window repaints and
// answers while it goes: a batch, a search. The work polls StopAsked() (Stop sets it) and hands
// what it finds to the window thread with Post. Finished comes on the window thread once the work
// has returned, with the text of what it threw, if anything.
class TBackgroundRunner : public QObject {
    Q_OBJECT
public:
    explicit TBackgroundRunner(QObject* Parent = nullptr) : QObject(Parent) {}
    // Asks running work to stop and waits for it.
    ~TBackgroundRunner() override;
    TBackgroundRunner(const TBackgroundRunner&) = delete;
    TBackgroundRunner& operator=(const TBackgroundRunner&) = delete;

    bool Running() const { return Running_; }
    // Starts Work on a thread of its own; throws std::system_error when no thread can be had.
    // REQUIRES: !Running().
    void Start(std::function<void()> Work);
    // Asks the work to stop; it ends at its next look at StopAsked().
    void Stop() { StopAsked_ = true; }
    bool StopAsked() const { return StopAsked_; }
    const std::atomic<bool>& StopFlag() const { return StopAsked_; }
    // Runs Show on the window thread, after what was posted before it. Callable from the work.
    void Post(std::function<void()> Show);
    // Waits for the work and delivers its Finished now (when a window must close at once).
    void Wait();
    // Stops the work and waits for its thread without delivering anything: for an owner being
    // destroyed, whose members the work may still read.
    void Abandon();

signals:
    void Finished(const QString& Failure);

private:
    // On the window thread: the work has returned.
    void Join(const std::string& Failure);

    std::thread Worker_;
    std::atomic<bool> StopAsked_{false};
    bool Running_ = false;
};
