#pragma once

// Blocks one thread until a descriptor it watches has something to say, or
// until another thread asks it to stop waiting: poll() on the descriptor and
// on an eventfd of its own.
//
// Threading: wait() is called by one thread at a time (the waiting thread);
// wake() may be called from any thread, any number of times, before, during
// or after a wait(). wake() is async-signal-safe.
//
// Ownership: the watched descriptor stays the caller's and must outlive the
// waiting; only the wake event is owned here and closed on destruction. A
// negative descriptor is allowed: only wake() ends the wait then.
//
// Wake-ups are final: once woken, every later wait() returns at once with
// woken set. It is made for stopping a thread, not for signalling it.
//
// Failure: when the wake event cannot be created, isValid() is false and
// error() holds errno's value; wait() must not be called then, since nothing
// could end it. A poll() failure other than EINTR ends wait() with failed set
// and errno's value in error().
class DescriptorWait
{
public:
    struct Events
    {
        bool woken = false;
        // Bytes can be read without blocking.
        bool readable = false;
        // Hang-up, error or an invalid descriptor: nothing more will come.
        bool hungUp = false;
        // poll() itself failed.
        bool failed = false;
    };

    explicit DescriptorWait(int fd);
    ~DescriptorWait();
    DescriptorWait(const DescriptorWait&) = delete;
    DescriptorWait& operator=(const DescriptorWait&) = delete;

    bool isValid() const { return m_wakeFd >= 0; }
    int error() const { return m_error; }

    // Blocks until the descriptor is readable or hung up, or wake() was
    // called. When woken, the descriptor's state is not reported.
    Events wait();

    void wake();

private:
    int m_fd = -1;
    int m_wakeFd = -1;
    int m_error = 0;
};
