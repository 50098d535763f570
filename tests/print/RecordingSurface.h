#pragma once

#include "print/PrintSurface.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

namespace orvelan::test {

// A surface that remembers every call, with fixed metrics: each character is 12 twips per
// point wide (120 at 10 points), each line 240 twips high, a Letter-sized area.
class RecordingSurface final : public PrintSurface {
public:
    enum class Op { SetFont, Print, EndLine, NewPage, EndDocument };
    struct Call {
        Op op;
        QString text; // Print: the text
        double x = 0; // where it happened (before it moved anything)
        double y = 0;
        PrintFont font;
        int page = 1;
    };

    double charWidth() const { return m_font.points * 12; }
    static constexpr double LineHeight = 240;

    int setFont(const PrintFont& font) override {
        m_font = font;
        return record(Op::SetFont, {});
    }
    double x() const override { return m_x; }
    double y() const override { return m_y; }
    void setX(double x) override { m_x = x; }
    void setY(double y) override { m_y = y; }
    double width() const override { return m_width; }
    double height() const override { return m_height; }
    double textWidth(QStringView text) const override {
        return static_cast<double>(text.size()) * charWidth();
    }
    int print(QStringView text) override {
        const int error = record(Op::Print, text.toString());
        m_x += textWidth(text);
        return error;
    }
    int endLine() override {
        const int error = record(Op::EndLine, {});
        m_x = 0;
        m_y += LineHeight;
        return error;
    }
    int newPage() override {
        const int error = record(Op::NewPage, {});
        ++m_page;
        m_x = 0;
        m_y = 0;
        return error;
    }
    int endDocument() override { return record(Op::EndDocument, {}); }

    // From call number `n` (0-based) on, every call fails with `code`.
    void failFrom(int n, int code) {
        m_failFrom = n;
        m_failCode = code;
    }
    void setArea(double width, double height) {
        m_width = width;
        m_height = height;
    }

    const QList<Call>& calls() const { return m_calls; }
    QList<Call> prints() const {
        QList<Call> result;
        for (const Call& call : m_calls) {
            if (call.op == Op::Print)
                result.append(call);
        }
        return result;
    }
    int count(Op op) const {
        int n = 0;
        for (const Call& call : m_calls)
            n += call.op == op ? 1 : 0;
        return n;
    }

private:
    int record(Op op, QString text) {
        const int n = static_cast<int>(m_calls.size());
        m_calls.append({op, std::move(text), m_x, m_y, m_font, m_page});
        return m_failFrom >= 0 && n >= m_failFrom ? m_failCode : 0;
    }

    PrintFont m_font;
    double m_x = 0;
    double m_y = 0;
    double m_width = 12240;
    double m_height = 15840;
    int m_page = 1;
    int m_failFrom = -1;
    int m_failCode = 0;
    QList<Call> m_calls;
};

// Passes every call on to a surface that lives elsewhere.
class ForwardingSurface final : public PrintSurface {
public:
    explicit ForwardingSurface(PrintSurface& to) : m_to(to) {}
    int setFont(const PrintFont& font) override { return m_to.setFont(font); }
    double x() const override { return m_to.x(); }
    double y() const override { return m_to.y(); }
    void setX(double x) override { m_to.setX(x); }
    void setY(double y) override { m_to.setY(y); }
    double width() const override { return m_to.width(); }
    double height() const override { return m_to.height(); }
    double textWidth(QStringView text) const override { return m_to.textWidth(text); }
    int print(QStringView text) override { return m_to.print(text); }
    int endLine() override { return m_to.endLine(); }
    int newPage() override { return m_to.newPage(); }
    int endDocument() override { return m_to.endDocument(); }

private:
    PrintSurface& m_to;
};

// Hands out one recording surface per job, or fails to open.
class RecordingTarget final : public PrintTarget {
public:
    PrintJob open(const QString& documentName) override {
        documents.append(documentName);
        PrintJob job;
        if (openError) {
            job.error = openError;
            job.refusal = refusal;
            return job;
        }
        surfaces.push_back(std::make_unique<RecordingSurface>());
        last = surfaces.back().get();
        if (failFrom >= 0)
            last->failFrom(failFrom, failCode);
        job.surface = std::make_unique<ForwardingSurface>(*last);
        job.pdfPath = pdfPath;
        return job;
    }

    // The surface of the last job; it lives on after the job has ended.
    RecordingSurface* last = nullptr;
    std::vector<std::unique_ptr<RecordingSurface>> surfaces;
    QStringList documents;
    QString pdfPath;
    int openError = 0;
    QString refusal; // with openError: why the printer refused the job
    int failFrom = -1;
    int failCode = 0;
};

} // namespace orvelan::test
