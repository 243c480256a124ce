#pragma once

#include "platform/dialogs.h"

namespace platform::qt {

// QInputDialog and QMessageBox, modal to the whole application, with Chinese button texts like
// the rest of the program.
class QtDialogs final : public Dialogs {
  public:
    std::string inputBox(const std::string& prompt, const std::string& title,
                         const std::string& defaultAnswer) override;
    std::string passwordBox(const std::string& prompt, const std::string& title,
                            const std::string& defaultAnswer) override;
    void messageBox(const std::string& text) override;
    std::string saveFileName(const std::string& title, const std::string& suggested,
                             const std::string& filters) override;
    bool askYesNo(const std::string& text) override;
};

}  // namespace platform::qt
