// Starts tests/tools/test_server.py on 127.0.0.1 for one test fixture and stops it again.
// Needs UPDATE_TEST_SERVER_SCRIPT (the script's path) defined by the test's build.
#pragma once

#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

extern char** environ;

class TestServer {
public:
    struct Options {
        std::string filesDir;      // served under /files/ when not empty
        bool tls = false;          // also serve https with a throw-away CA (see CaFile)
        bool logRequests = false;  // keep the path of every request (see RequestedPaths)
    };

    // Starts the server and waits until it listens. Throws std::runtime_error when it cannot.
    explicit TestServer(const Options& options) {
        char pattern[] = "/tmp/update-test-server-XXXXXX";
        if (mkdtemp(pattern) == nullptr)
            throw std::runtime_error("mkdtemp failed");
        workDir_ = pattern;
        const std::string portFile = workDir_ + "/ports.json";
        std::vector<std::string> args = {"python3", UPDATE_TEST_SERVER_SCRIPT, "--port-file",
                                         portFile};
        if (!options.filesDir.empty())
            args.insert(args.end(), {"--dir", options.filesDir});
        if (options.tls)
            args.insert(args.end(), {"--tls-dir", workDir_ + "/tls"});
        if (options.logRequests)
            args.insert(args.end(), {"--request-log", workDir_ + "/requests.log"});
        std::vector<char*> argv;
        for (std::string& arg : args) argv.push_back(arg.data());
        argv.push_back(nullptr);
        if (posix_spawnp(&pid_, "python3", nullptr, nullptr, argv.data(), environ) != 0) {
            pid_ = -1;
            Cleanup();
            throw std::runtime_error("cannot start python3");
        }
        if (!WaitForPorts(portFile)) {
            Stop();
            Cleanup();
            throw std::runtime_error("the test server did not start");
        }
    }

    ~TestServer() {
        Stop();
        Cleanup();
    }
    TestServer(const TestServer&) = delete;
    TestServer& operator=(const TestServer&) = delete;

    // "http://127.0.0.1:<port>" followed by `path` (which starts with '/').
    std::string HttpUrl(std::string_view path) const {
        return "http://127.0.0.1:" + std::to_string(httpPort_) + std::string(path);
    }
    std::string HttpsUrl(std::string_view path) const {
        return "https://127.0.0.1:" + std::to_string(httpsPort_) + std::string(path);
    }
    // The paths (with their queries) of the requests so far, oldest first; empty unless the
    // options asked for them.
    std::vector<std::string> RequestedPaths() const {
        std::vector<std::string> paths;
        std::ifstream in(workDir_ + "/requests.log");
        for (std::string line; std::getline(in, line);) paths.push_back(line);
        return paths;
    }
    // The PEM file of the throw-away CA that signed the https certificate.
    std::string CaFile() const { return workDir_ + "/tls/ca.pem"; }

private:
    bool WaitForPorts(const std::string& portFile) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (std::chrono::steady_clock::now() < deadline) {
            int status = 0;
            if (waitpid(pid_, &status, WNOHANG) == pid_) {
                pid_ = -1;
                return false;
            }
            std::ifstream in(portFile);
            if (in) {
                std::stringstream text;
                text << in.rdbuf();
                httpPort_ = PortOf(text.str(), "\"http\":");
                httpsPort_ = PortOf(text.str(), "\"https\":");
                return httpPort_ > 0;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return false;
    }

    static int PortOf(const std::string& json, const std::string& key) {
        const size_t at = json.find(key);
        return at == std::string::npos ? 0 : std::atoi(json.c_str() + at + key.size());
    }

    void Stop() {
        if (pid_ <= 0)
            return;
        kill(pid_, SIGTERM);
        int status = 0;
        waitpid(pid_, &status, 0);
        pid_ = -1;
    }

    void Cleanup() {
        std::error_code ignored;
        std::filesystem::remove_all(workDir_, ignored);
    }

    pid_t pid_ = -1;
    std::string workDir_;
    int httpPort_ = 0;
    int httpsPort_ = 0;
};
