// A CPlatform that forwards every operation to another one: the base of platforms that
// change a few operations and leave the rest to the platform they wrap.
#pragma once

#include <cstddef>
#include <memory>
#include <string>

#include "platform/Platform.h"

// Derived classes override only what they change; an override reaches the wrapped platform
// through GetTarget(). Platform-neutral: built on the CPlatform interface alone.
class CPlatformWrapper : public CPlatform {
public:
    // REQUIRES: `target` outlives this object.
    explicit CPlatformWrapper(CPlatform& target) : m_target(target) {}

    // The platform that every operation not overridden goes to.
    CPlatform& GetTarget() const { return m_target; }

    CivilTime GetLocalTime() override { return m_target.GetLocalTime(); }
    std::string GetLocaleText(ELocaleText item, int index) override {
        return m_target.GetLocaleText(item, index);
    }
    std::string CreateGuidString() override { return m_target.CreateGuidString(); }
    bool IsLeadByte(unsigned char c) override { return m_target.IsLeadByte(c); }
    std::string WideToAnsi(const std::u16string& text) override {
        return m_target.WideToAnsi(text);
    }
    std::string Utf8ToAnsi(const std::string& text) override { return m_target.Utf8ToAnsi(text); }
    std::string AnsiToUtf8(const std::string& text) override { return m_target.AnsiToUtf8(text); }
    char PathSeparator() override { return m_target.PathSeparator(); }
    bool SamePathText(const std::string& a, const std::string& b) override {
        return m_target.SamePathText(a, b);
    }

    std::unique_ptr<CFile> OpenFile(const std::string& path, EFileOpen mode) override {
        return m_target.OpenFile(path, mode);
    }
    bool IsSameFile(const std::string& a, const std::string& b) override {
        return m_target.IsSameFile(a, b);
    }
    EFileTimeResult GetLastWriteTimeUtc(const std::string& path, CivilTime& time) override {
        return m_target.GetLastWriteTimeUtc(path, time);
    }
    bool GetTempFolder(std::string& folder) override { return m_target.GetTempFolder(folder); }
    bool CreateTempFile(const std::string& folder, const std::string& prefix,
                        std::string& path) override {
        return m_target.CreateTempFile(folder, prefix, path);
    }
    bool CopyFile(const std::string& source, const std::string& target) override {
        return m_target.CopyFile(source, target);
    }
    bool ReplaceFileWithCopy(const std::string& source, const std::string& target) override {
        return m_target.ReplaceFileWithCopy(source, target);
    }
    bool DeleteFile(const std::string& path) override { return m_target.DeleteFile(path); }
    void RemoveStaleTempFiles(const std::string& folder) override {
        m_target.RemoveStaleTempFiles(folder);
    }
    bool FileExists(const std::string& path) override { return m_target.FileExists(path); }
    EPathKind GetPathKind(const std::string& path) override { return m_target.GetPathKind(path); }
    bool CreateDirectory(const std::string& path) override {
        return m_target.CreateDirectory(path);
    }
    std::unique_ptr<CFolderWatch> WatchFolder(const std::string& folder,
                                              std::string& reason) override {
        return m_target.WatchFolder(folder, reason);
    }
    void AdviseLargeBuffer(void* data, std::size_t size) override {
        m_target.AdviseLargeBuffer(data, size);
    }
    bool RestrictToOwner(const std::string& path) override {
        return m_target.RestrictToOwner(path);
    }
    bool IsReadableByOthers(const std::string& path) override {
        return m_target.IsReadableByOthers(path);
    }
    bool ProtectSecret(const std::string& secret, std::string& stored) override {
        return m_target.ProtectSecret(secret, stored);
    }
    bool UnprotectSecret(const std::string& stored, std::string& secret) override {
        return m_target.UnprotectSecret(stored, secret);
    }
    bool GetAppDataFolder(std::string& folder) override {
        return m_target.GetAppDataFolder(folder);
    }
    bool ReadZoneData(const std::string& name, std::string& tzif) override {
        return m_target.ReadZoneData(name, tzif);
    }
    bool ReadLocalZoneData(std::string& tzif) override { return m_target.ReadLocalZoneData(tzif); }

private:
    CPlatform& m_target;
};
