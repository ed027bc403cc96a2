#include "devicelink.h"

#include <filesystem>
#include <system_error>
#include <utility>

namespace fennmere {

namespace fs = std::filesystem;

CDeviceLink::CDeviceLink(std::string linkPath, std::string target)
    : m_strLink(std::move(linkPath)), m_strTarget(std::move(target))
{
    std::error_code ec;
    auto status = fs::symlink_status(m_strLink, ec);
    if (fs::exists(status)) {
        if (!fs::is_symlink(status))
            throw std::system_error(std::make_error_code(std::errc::file_exists),
                                    m_strLink + " exists and is not a symlink");
        fs::remove(m_strLink);
    }
    fs::create_symlink(m_strTarget, m_strLink);
}

CDeviceLink::CDeviceLink(CDeviceLink&& other) noexcept
    : m_strLink(std::exchange(other.m_strLink, {})), m_strTarget(std::exchange(other.m_strTarget, {}))
{
}

CDeviceLink& CDeviceLink::operator=(CDeviceLink&& other) noexcept
{
    if (this != &other) {
        Remove();
        m_strLink = std::exchange(other.m_strLink, {});
        m_strTarget = std::exchange(other.m_strTarget, {});
    }
    return *this;
}

CDeviceLink::~CDeviceLink()
{
    Remove();
}

void CDeviceLink::Remove()
{
    if (m_strLink.empty()) return;
    std::error_code ec;
    // Another simulator may have taken the path over since; leave its link.
    if (fs::is_symlink(fs::symlink_status(m_strLink, ec)) && fs::read_symlink(m_strLink, ec) == m_strTarget)
        fs::remove(m_strLink, ec);
    m_strLink.clear();
}

}  // namespace fennmere
