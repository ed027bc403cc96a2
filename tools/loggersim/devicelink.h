// A symlink to the simulator's device at a fixed path, so that scripts and
// tests need not read the changing /dev/pts name. Removed again on
// destruction, but only while it still points where it was made to point.
#pragma once

#include <string>

namespace fennmere {

class CDeviceLink {
public:
    CDeviceLink() = default;
    // Replaces an existing symlink at linkPath; refuses to replace anything
    // else. Throws std::system_error on failure.
    CDeviceLink(std::string linkPath, std::string target);
    CDeviceLink(CDeviceLink&& other) noexcept;
    CDeviceLink& operator=(CDeviceLink&& other) noexcept;
    CDeviceLink(const CDeviceLink&) = delete;
    CDeviceLink& operator=(const CDeviceLink&) = delete;
    ~CDeviceLink();

    void Remove();

private:
    std::string m_strLink;
    std::string m_strTarget;
};

}  // namespace fennmere
