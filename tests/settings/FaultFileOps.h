#pragma once

// The real file operations with one fault put into a chosen step: the step
// either fails (returns its error) or the process "dies" there (SimulatedCrash
// is thrown before the step runs, so no clean-up code of the store runs).

#include "platform/StdFileOps.h"

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

enum class FileStep {
    OpenRead,
    Read,
    OpenTemp,
    Write,
    Flush,
    Close,
    Replace,
    RemoveTemp,
    OpenInPlace,
    OpenAppend
};

// The error number a fault at a step reports.
constexpr std::uint32_t FaultError(FileStep s) {
    return 1000 + static_cast<std::uint32_t>(s);
}

struct SimulatedCrash : std::runtime_error {
    SimulatedCrash() : std::runtime_error("simulated crash") {}
};

class FaultFileOps : public IFileOps {
public:
    FileStep faultStep = FileStep::OpenRead;
    int faultOn = 0;                  // 1-based call of faultStep that goes wrong; 0 = none
    int faultTimes = 1;               // ... and how many calls from there on
    std::optional<FileStep> alsoFail; // every call of this step fails too
    bool crash = false;
    std::vector<FileStep> calls;

    std::unique_ptr<Reader> OpenRead(const std::string& path) override {
        if (Hit(FileStep::OpenRead)) {
            return nullptr;
        }
        auto r = m_real.OpenRead(path);
        if (!r) {
            m_error = m_real.LastError();
            return nullptr;
        }
        return std::make_unique<FaultReader>(*this, std::move(r));
    }
    // How a fault at OpenTemp says it failed.
    CreateFailure tempFault = CreateFailure::Other;

    std::unique_ptr<Writer> OpenTemp(const std::string& target,
                                     const std::string& tempPath) override {
        if (Hit(FileStep::OpenTemp)) {
            m_createFailure = tempFault;
            return nullptr;
        }
        auto w = m_real.OpenTemp(target, tempPath);
        m_createFailure = m_real.LastCreateFailure();
        return Wrap(std::move(w));
    }
    CreateFailure LastCreateFailure() const override { return m_createFailure; }
    // The result a fault at Replace gives.
    ReplaceResult replaceFault = ReplaceResult::Failed;

    ReplaceResult Replace(const std::string& temp, const std::string& target) override {
        if (Hit(FileStep::Replace)) {
            return replaceFault;
        }
        const ReplaceResult r = m_real.Replace(temp, target);
        Real(r == ReplaceResult::Replaced);
        return r;
    }
    bool RemoveTemp(const std::string& temp) override {
        return !Hit(FileStep::RemoveTemp) && Real(m_real.RemoveTemp(temp));
    }
    std::unique_ptr<Writer> OpenInPlace(const std::string& target) override {
        if (Hit(FileStep::OpenInPlace)) {
            return nullptr;
        }
        return Wrap(m_real.OpenInPlace(target));
    }
    std::unique_ptr<Writer> OpenAppend(const std::string& path, std::uint64_t& size) override {
        size = 0;
        if (Hit(FileStep::OpenAppend)) {
            return nullptr;
        }
        return Wrap(m_real.OpenAppend(path, size));
    }
    std::uint32_t LastError() const override { return m_error; }
    bool IsMissing(std::uint32_t error) const override { return m_real.IsMissing(error); }
    bool IsBusy(std::uint32_t error) const override { return m_real.IsBusy(error); }
    void Pause(unsigned) override {}

    int Count(FileStep s) const {
        int n = 0;
        for (FileStep c : calls) {
            n += c == s ? 1 : 0;
        }
        return n;
    }

private:
    // Records the call; true when it is to fail. Throws for a crash.
    bool Hit(FileStep s) {
        calls.push_back(s);
        const int n = Count(s);
        if ((s != faultStep || faultOn == 0 || n < faultOn || n >= faultOn + faultTimes) &&
            s != alsoFail) {
            return false;
        }
        if (crash) {
            throw SimulatedCrash();
        }
        m_error = FaultError(s);
        return true;
    }
    // A real step's result, keeping its error.
    bool Real(bool ok) {
        if (!ok) {
            m_error = m_real.LastError();
        }
        return ok;
    }
    std::unique_ptr<Writer> Wrap(std::unique_ptr<Writer> w) {
        if (!w) {
            m_error = m_real.LastError();
            return nullptr;
        }
        return std::make_unique<FaultWriter>(*this, std::move(w));
    }

    class FaultReader : public Reader {
    public:
        FaultReader(FaultFileOps& ops, std::unique_ptr<Reader> r) : m_ops(ops), m_r(std::move(r)) {}
        bool Read(char* buf, std::size_t size, std::size_t& got) override {
            return !m_ops.Hit(FileStep::Read) && m_r->Read(buf, size, got);
        }

    private:
        FaultFileOps& m_ops;
        std::unique_ptr<Reader> m_r;
    };

    class FaultWriter : public Writer {
    public:
        FaultWriter(FaultFileOps& ops, std::unique_ptr<Writer> w) : m_ops(ops), m_w(std::move(w)) {}
        bool Write(const char* d, std::size_t n) override {
            return !m_ops.Hit(FileStep::Write) && m_ops.Real(m_w->Write(d, n));
        }
        bool Flush() override { return !m_ops.Hit(FileStep::Flush) && m_ops.Real(m_w->Flush()); }
        bool Close() override { return !m_ops.Hit(FileStep::Close) && m_ops.Real(m_w->Close()); }

    private:
        FaultFileOps& m_ops;
        std::unique_ptr<Writer> m_w;
    };

    CStdFileOps m_real;
    std::uint32_t m_error = 0;
    CreateFailure m_createFailure = CreateFailure::Other;
};
