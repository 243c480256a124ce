#pragma once

#include <memory>
#include <optional>
#include <string>
#include <utility>

namespace platform {

// A shared library opened at run time by its name and major version ("pq", 5 is libpq.so.5),
// and its functions found by name. Once open it stays loaded until the program ends, so that
// every function found stays callable. Used from one thread at a time.
class SharedLibrary {
  public:
    SharedLibrary(std::string name, int majorVersion);
    ~SharedLibrary();
    SharedLibrary(const SharedLibrary&) = delete;
    SharedLibrary& operator=(const SharedLibrary&) = delete;

    // False, with problem() naming the library, when it cannot be opened.
    [[nodiscard]] bool open();
    // The function `name` of the open library, typed as the library's header declares it
    // (`decltype(&workbook_new_opt)`); false, with problem() naming the function and the library,
    // when the library has no such function.
    template <typename Function>
    [[nodiscard]] bool find(const char* name, Function*& function) {
        function = reinterpret_cast<Function*>(address(name));
        return function != nullptr;
    }
    [[nodiscard]] const std::string& problem() const { return problem_; }

  private:
    using Address = void (*)();
    Address address(const char* name);

    struct Loader;
    std::unique_ptr<Loader> loader_;
    std::string problem_;
};

// The functions of a library that a feature calls, as a table (a struct of function pointers),
// loaded the first time the feature asks for it: all of them or none.
template <typename Table>
class LibraryFunctions {
  public:
    // Fills every entry of the table from the open library; false at the first it cannot find.
    using Binder = bool (*)(SharedLibrary& library, Table& table);

    LibraryFunctions(std::string name, int majorVersion, Binder bind)
        : library_(std::move(name), majorVersion), bind_(bind) {}

    // The table, the library loaded by the first call; null when it cannot be loaded or lacks a
    // function, with problem() saying which. Later calls answer as the first did.
    [[nodiscard]] const Table* get() {
        if (!loaded_) {
            Table table{};
            loaded_ = library_.open() && bind_(library_, table);
            if (*loaded_) {
                table_ = table;
            }
        }
        return *loaded_ ? &table_ : nullptr;
    }
    [[nodiscard]] const std::string& problem() const { return library_.problem(); }

  private:
    SharedLibrary library_;
    Binder bind_;
    std::optional<bool> loaded_;
    Table table_{};
};

}  // namespace platform
