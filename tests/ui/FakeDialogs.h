#pragma once

// A dialog seam for tests: records every box and answers from prepared replies, never opening a window.

#include <deque>

#include <QStringList>

#include "ui/DialogSeam.h"

class FakeDialogs : public TDialogSeam {
public:
    FakeDialogs() { SetDialogs(this); }
    ~FakeDialogs() override { SetDialogs(nullptr); }

    bool Question(QWidget*, const QString& Title, const QString& Text, TButtons) override {
        Questions << Title + "|" + Text;
        return Answers.empty() ? false : Take(Answers);
    }
    void Information(QWidget*, const QString&, const QString& Text) override { Infos << Text; }
    void Error(QWidget*, const QString& Title, const QString& Text) override { Errors << Title + "|" + Text; }
    QStringList OpenFileNames(QWidget*, const TOpenRequest& Request) override {
        OpenRequests.push_back(Request);
        return Chosen.empty() ? QStringList{} : Take(Chosen);
    }

    std::deque<bool> Answers;       // replies to Question, in order (No when none is left)
    std::deque<QStringList> Chosen; // replies to OpenFileNames (cancel when none is left)
    QStringList Questions, Infos, Errors;
    std::vector<TOpenRequest> OpenRequests;

private:
    template <class T> static T Take(std::deque<T>& Q) {
        T V = Q.front();
        Q.pop_front();
        return V;
    }
};
