#pragma once
// Makes the log front end ready for a test and collects the lines it logs,
// each as "[PRIORITY] message".

#include <cstdio>
#include <log4cpp/Category.hh>
#include <log4cpp/PatternLayout.hh>
#include <log4cpp/Priority.hh>
#include <log4cpp/StringQueueAppender.hh>
#include <string>
#include <vector>

#include "log/log_front.h"

class NLogCapture {
public:
    explicit NLogCapture(const char* categoryName = "q6tsa",
                         log4cpp::Priority::Value priority = log4cpp::Priority::DEBUG) {
        std::snprintf(g_szLogName, kLogNameBytes, "%s", categoryName);
        log4cpp::Category& category = Category();
        category.removeAllAppenders();
        category.setAdditivity(false);
        category.setPriority(priority);
        auto* layout = new log4cpp::PatternLayout();
        layout->setConversionPattern("[%p] %m");
        m_pAppender = new log4cpp::StringQueueAppender("capture");
        m_pAppender->setLayout(layout);     // the appender owns it
        category.addAppender(m_pAppender);  // the category owns it
        g_pwszLogBuf.reset(new char16_t[kLogBufferUnits]);
    }

    ~NLogCapture() {
        g_pwszLogBuf.reset();
        Category().removeAllAppenders();
    }

    NLogCapture(const NLogCapture&) = delete;
    NLogCapture& operator=(const NLogCapture&) = delete;

    // The lines logged since the last call, oldest first.
    std::vector<std::string> TakeLines() {
        std::vector<std::string> lines;
        for (auto& queue = m_pAppender->getQueue(); !queue.empty(); queue.pop()) {
            lines.push_back(queue.front());
        }
        return lines;
    }

private:
    static log4cpp::Category& Category() { return log4cpp::Category::getInstance(g_szLogName); }

    log4cpp::StringQueueAppender* m_pAppender = nullptr;
};
