#pragma once
// A log4cpp file appender (size- or daily-rolling) that opens its file only
// as the operating-system layer allows a log file to be opened
// (os/append_file.h), and that puts the file back, its folder included,
// when it finds it removed or replaced before it writes the next line.

#include <log4cpp/LoggingEvent.hh>
#include <string>
#include <utility>

#include "base/module_path.h"
#include "os/append_file.h"

template <class NBase>
class NGuardedFileAppender final : public NBase {
public:
    // folder: the log file's folder, made again when it is gone. The file
    // must have been prepared (NOs::PrepareAppendFile): the base opens it
    // by name before this class can step in.
    template <class... NBaseArguments>
    NGuardedFileAppender(std::u16string folder, NBaseArguments&&... arguments)
        : NBase(std::forward<NBaseArguments>(arguments)...), m_strFolder(std::move(folder)) {
        // The base's own reopen after a roll-over follows no link either.
        this->_flags |= NOs::AppendFileOpenFlags();
        reopen();
    }

    bool reopen() override {
        const NOs::NResult<int> opened = NOs::OpenAppendFile(this->_fileName, this->_mode);
        this->close();
        this->_fd = opened ? opened.Value() : -1;
        return static_cast<bool>(opened);
    }

protected:
    void _append(const log4cpp::LoggingEvent& event) override {
        if (!NOs::IsOpenFileAt(this->_fd, this->_fileName)) {
            MakeFolderPath(m_strFolder.c_str());
            reopen();
        }
        NBase::_append(event);
    }

private:
    std::u16string m_strFolder;
};
