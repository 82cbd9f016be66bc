// The models the DPI handles stand for, and the frame every exported
// function runs in: the handle is looked up (a handle is a key, never
// dereferenced), every exception becomes a status and an error text.
#ifndef ZEB_DPI_HANDLE_REGISTRY_H
#define ZEB_DPI_HANDLE_REGISTRY_H

#include <exception>
#include <memory>
#include <string>

#include "dpi_model.h"

namespace zebdpi {

// Takes ownership and gives the model's handle.
void* adopt(std::unique_ptr<DpiModel> model);

// The live model of a handle, or null.
DpiModel* find_model(const void* handle) noexcept;

// Destroys the model; false for an unknown handle.
bool release(const void* handle) noexcept;

// Failures of calls without a live model (creation, unknown handles), per thread.
std::string& orphan_error();

// Sets the orphan error to "<function>: <reason>".
void report_orphan(const char* function, const char* reason) noexcept;

// Runs body(model) for a live handle; 0 on success, 1 on failure with
// "<function>: <reason>" as the error text.
template <typename Body>
int with_model(const char* function, void* handle, Body&& body) noexcept {
    DpiModel* model = find_model(handle);
    if (!model) {
        report_orphan(function, "unknown handle");
        return 1;
    }
    try {
        body(*model);
        return 0;
    } catch (const std::exception& e) {
        try {
            model->set_last_error(std::string(function) + ": " + e.what());
        } catch (...) {
        }
    } catch (...) {
        try {
            model->set_last_error(std::string(function) + ": unexpected failure");
        } catch (...) {
        }
    }
    return 1;
}

}  // namespace zebdpi

#endif
