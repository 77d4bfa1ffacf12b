// The fixture of the host session and script tests: one session in a scratch folder, its
// command line and its messages, and the probe module (tests/host/cli/probe_module.cpp) from
// the build's bin folder.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "arx/command_line.h"
#include "arx/host_session.h"
#include "arx/input_answers.h"
#include "arx/input_sysvars.h"
#include "db_test_util.h"
#include "win/code_page.h"

namespace sessiontest {

namespace fs = std::filesystem;

inline const std::string kProbe = std::string(BRAKON_BIN_DIR) + "/cadhost_probe.so";
inline const fs::path kSmallDrawing = fs::path(BRAKON_CORPUS_DIR) / "ezdxf_dxf_unicode.dxf";

inline std::wstring wide(const fs::path& path) { return cadhost::fromUtf8(path.string()); }

class SessionTest : public ::testing::Test {
  protected:
    void SetUp() override {
        m_session = std::make_unique<cadhost::HostSession>();
        m_session->setMessageSink([this](const std::string& line) { m_messages.push_back(line); });
    }
    void TearDown() override {
        m_session.reset();
        cadhost::SystemVariables::resetToDefaults();
    }
    cadhost::HostSession& session() { return *m_session; }
    std::wstring commandLine() const { return m_capture.text(); }
    void loadProbe() {
        ASSERT_TRUE(session().loadModule(kProbe));
        m_capture.clear();
    }
    // A copy of the small corpus drawing in the test folder.
    fs::path drawingCopy(const std::string& name) {
        const fs::path path = m_dir / name;
        fs::copy_file(kSmallDrawing, path);
        return path;
    }
    dbtest::ScratchDir m_scratch;
    const fs::path m_dir = m_scratch.path();
    cadhost::CommandLineCapture m_capture;  // made before the session, gone after it
    std::vector<std::string> m_messages;
    std::unique_ptr<cadhost::HostSession> m_session;
};

}  // namespace sessiontest
