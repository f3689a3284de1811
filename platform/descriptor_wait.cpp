#include "platform/descriptor_wait.h"

#include <cerrno>
#include <cstdint>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

DescriptorWait::DescriptorWait(int fd) : m_fd(fd), m_wakeFd(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK))
{
    if (m_wakeFd < 0)
        m_error = errno;
}

DescriptorWait::~DescriptorWait()
{
    if (m_wakeFd >= 0)
        ::close(m_wakeFd);
}

DescriptorWait::Events DescriptorWait::wait()
{
    Events events;
    for (;;) {
        pollfd fds[2] = {{m_wakeFd, POLLIN, 0}, {m_fd, POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR)
                continue;
            m_error = errno;
            events.failed = true;
            return events;
        }
        // The counter is never read back, so a wake-up stays visible to
        // every later wait.
        if (fds[0].revents) {
            events.woken = true;
            return events;
        }
        events.readable = (fds[1].revents & POLLIN) != 0;
        events.hungUp = (fds[1].revents & (POLLHUP | POLLERR | POLLNVAL)) != 0;
        if (events.readable || events.hungUp)
            return events;
    }
}

void DescriptorWait::wake()
{
    if (m_wakeFd < 0)
        return;
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = ::write(m_wakeFd, &one, sizeof one);
}
