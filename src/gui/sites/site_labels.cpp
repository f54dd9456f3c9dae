// A copy of the labels under a lock: workers never touch the list box.
#include "gui/sites/site_labels.h"

namespace kc::gui {

void SiteLabels::Set(std::vector<std::string> labels)
{
    std::lock_guard lock(m_mutex);
    m_labels = std::move(labels);
}

std::string SiteLabels::Label(int site) const
{
    std::lock_guard lock(m_mutex);
    if (site < 1 || static_cast<size_t>(site) > m_labels.size())
        return {};
    return m_labels[static_cast<size_t>(site) - 1];
}

} // namespace kc::gui
