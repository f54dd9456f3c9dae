// The site labels as the run log reads them from any thread while the window edits the list.
#pragma once

#include <mutex>
#include <string>
#include <vector>

namespace kc::gui {

class SiteLabels {
public:
    void Set(std::vector<std::string> labels);
    // The label of site n (1-based); empty when n is beyond the list.
    std::string Label(int site) const;

private:
    mutable std::mutex m_mutex;
    std::vector<std::string> m_labels;
};

} // namespace kc::gui
