#include "service/check_findings.h"

#include <algorithm>
#include <utility>

namespace service {

void CheckFindings::add(Finding finding, std::string text) {
    items_.push_back({finding, std::move(text)});
}

int CheckFindings::problems() const {
    return static_cast<int>(std::count_if(items_.begin(), items_.end(), [](const CheckItem& item) {
        return item.finding == Finding::Problem;
    }));
}

std::string CheckFindings::report(const std::string& program) const {
    std::string text;
    for (const CheckItem& item : items_) {
        switch (item.finding) {
            case Finding::Fine:
                text += "ok       ";
                break;
            case Finding::Note:
                text += "note     ";
                break;
            case Finding::Problem:
                text += "problem  ";
                break;
        }
        text += item.text + "\n";
    }
    const int count = problems();
    text += program + ": " +
            (count == 0 ? std::string("the configuration is usable")
                        : std::to_string(count) + (count == 1 ? " problem" : " problems") +
                              " to put right before the service can do its work") +
            "\n";
    return text;
}

}  // namespace service
