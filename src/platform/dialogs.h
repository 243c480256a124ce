#pragma once

#include <functional>
#include <string>

namespace platform {

// Modal dialogs. The first four return only once the operator has closed the dialog; the
// program's other events wait meanwhile. The `open` ones and showMessageBox show the same dialogs,
// as modal to the operator, but return at once, so that polling and logging go on while the
// dialog waits: an answer comes later through `then`, once the operator has closed the dialog.
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
    // As messageBox, without waiting for the operator.
    virtual void showMessageBox(const std::string& text) = 0;
    // As saveFileName; `then` gets the path chosen, empty when cancelled.
    virtual void openSaveFileName(const std::string& title, const std::string& suggested,
                                  const std::string& filters,
                                  std::function<void(const std::string&)> then) = 0;
    // A question with Yes and No buttons; `then` gets true for Yes, false for No or a box closed.
    virtual void openYesNo(const std::string& text, std::function<void(bool)> then) = 0;
};

}  // namespace platform
