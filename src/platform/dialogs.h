#pragma once

#include <string>

namespace platform {

// Modal dialogs. Each returns only once the operator has closed it.
class Dialogs {
  public:
    virtual ~Dialogs() = default;
    // The typed text; empty when the box is cancelled.
    virtual std::string inputBox(const std::string& prompt, const std::string& title,
                                 const std::string& defaultAnswer) = 0;
    // As inputBox, but the typed characters are not shown (a password).
    virtual std::string passwordBox(const std::string& prompt, const std::string& title,
                                    const std::string& defaultAnswer) = 0;
    // A message with a single OK button.
    virtual void messageBox(const std::string& text) = 0;
    // The path the operator chose to save a file under; empty when cancelled. `filters` lists the
    // kinds of file offered, as in "CSV 文件 (*.csv);;Excel 工作簿 (*.xlsx)"; empty offers any
    // file. A name typed without a suffix gets the suffix of the kind chosen.
    virtual std::string saveFileName(const std::string& title, const std::string& suggested,
                                     const std::string& filters) = 0;
    // A question with Yes and No buttons; true for Yes.
    virtual bool askYesNo(const std::string& text) = 0;
};

}  // namespace platform
