// The user's Run key and Windows' switch for it, StartupApproved\Run, with the W registry functions.
#pragma once

#include "settings/start_with_windows.h"

namespace kestrin {

class RegistryStartup final : public StartupRegistry {
public:
    std::optional<std::string> ReadRun(const std::string& name) override;
    std::optional<std::vector<std::uint8_t>> ReadApproved(const std::string& name) override;
    std::uint32_t WriteRun(const std::string& name, const std::string& command) override;
    std::uint32_t WriteApproved(const std::string& name, const std::vector<std::uint8_t>& bytes) override;
    std::uint32_t DeleteRun(const std::string& name) override;
    std::uint32_t DeleteApproved(const std::string& name) override;
    bool ProgramExists(const std::string& path) override;
    std::vector<std::string> RunValueNames() override;
};

// The full path of the running program.
std::string ProgramPath();

}  // namespace kestrin
