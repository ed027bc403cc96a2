// A pseudo-terminal for serial tests: the test holds the master side and
// plays the device or the logger; the code under test opens Path().
#pragma once

#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <stdexcept>
#include <string>

namespace fennmere {

class CPty {
public:
    CPty()
    {
        char name[128] = {};
        if (::openpty(&m_nMaster, &m_nSlave, name, nullptr, nullptr) != 0) throw std::runtime_error("openpty");
        m_strPath = name;
    }
    ~CPty()
    {
        CloseMaster();
        ::close(m_nSlave);
    }
    CPty(const CPty&) = delete;
    CPty& operator=(const CPty&) = delete;

    const std::string& Path() const { return m_strPath; }
    int Master() const { return m_nMaster; }

    termios Setting() const
    {
        termios t{};
        ::tcgetattr(m_nSlave, &t);
        return t;
    }

    void CloseMaster()
    {
        if (m_nMaster >= 0) ::close(m_nMaster);
        m_nMaster = -1;
    }

    void Send(const std::string& bytes) const
    {
        ASSERT_EQ(::write(m_nMaster, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    }

    // What the port wrote, up to count bytes or until a second of silence.
    std::string Receive(std::size_t count) const
    {
        std::string got;
        while (got.size() < count) {
            pollfd entry{m_nMaster, POLLIN, 0};
            if (::poll(&entry, 1, 1000) <= 0) break;
            char block[512];
            const ssize_t n = ::read(m_nMaster, block, std::min(sizeof block, count - got.size()));
            if (n <= 0) break;
            got.append(block, static_cast<std::size_t>(n));
        }
        return got;
    }

    // The tty's exclusive-use flag, read through the test's own slave side.
    int ExclusiveFlag() const
    {
        int flag = -1;
        ::ioctl(m_nSlave, TIOCGEXCL, &flag);
        return flag;
    }

    // Takes the tty for exclusive use the way a program without flock does.
    void MakeExclusive() const { ::ioctl(m_nSlave, TIOCEXCL); }

    // The test's own slave side goes away, as a program's does when it dies.
    void CloseSlave()
    {
        ::close(m_nSlave);
        m_nSlave = -1;
    }

private:
    int m_nMaster = -1;
    int m_nSlave = -1;
    std::string m_strPath;
};

}  // namespace fennmere
