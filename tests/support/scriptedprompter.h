// A Prompter for tests: answers from a script and records every box. A box
// nobody expected fails the test.
#pragma once

#include <gtest/gtest.h>

#include <QDialog>
#include <deque>
#include <functional>
#include <vector>

#include "app/prompter.h"

namespace varnel::test {

class ScriptedPrompter : public Prompter {
 public:
  struct Box {
    BoxKind kind;
    QString text;
    Buttons buttons;
  };

  ~ScriptedPrompter() override {
    EXPECT_TRUE(script_.empty()) << script_.size() << " expected box(es) never shown, first: "
                                 << (script_.empty() ? std::string() : script_.front().text.toStdString());
    EXPECT_TRUE(dialogPlays_.empty()) << dialogPlays_.size() << " expected dialog(s) never shown";
    EXPECT_TRUE(colours_.empty()) << colours_.size() << " expected colour dialog(s) never shown";
  }

  // The next box must be exactly this one; it is answered with answer.
  void Expect(BoxKind kind, const QString& text, Buttons buttons, Button answer) {
    script_.push_back({kind, text, buttons, answer, true});
  }
  // The next box, whatever it says, is answered with answer.
  void AnswerNext(Button answer) { script_.push_back({BoxKind::Error, {}, 0, answer, false}); }
  // Every box from now on, expected or not, is answered so (until nullopt).
  void AnswerAnyWith(std::optional<Button> answer) { any_ = answer; }
  // A dialog answered with std::nullopt is cancelled.
  void AnswerOpen(const std::optional<QString>& path) { opens_.push_back(path ? *path : QString()); }
  void AnswerSave(const std::optional<QString>& path) { saves_.push_back(path ? *path : QString()); }
  void AnswerFont(std::optional<QFont> font) { fonts_.push_back(std::move(font)); }
  void AnswerColor(std::optional<QRgb> colour) { colours_.push_back(colour); }
  // The next modal dialog is played by play, which fills it in and returns
  // whether it is accepted; a dialog nobody expected fails the test.
  void AnswerDialog(std::function<bool(QDialog&)> play) { dialogPlays_.push_back(std::move(play)); }
  // Every modal dialog with no play of its own queued is played by play.
  void PlayEveryDialog(std::function<bool(QDialog&)> play) { standingPlay_ = std::move(play); }

  Button Message(BoxKind kind, const QString& text, Buttons buttons) override {
    shown.push_back({kind, text, buttons});
    if (any_) return *any_;
    if (script_.empty()) {
      ADD_FAILURE() << "unexpected box: " << text.toStdString();
      return (buttons & static_cast<unsigned>(Button::Cancel)) ? Button::Cancel : Button::Ok;
    }
    const Step step = script_.front();
    script_.pop_front();
    if (step.exact) {
      EXPECT_EQ(static_cast<int>(kind), static_cast<int>(step.kind)) << text.toStdString();
      EXPECT_EQ(text.toStdString(), step.text.toStdString());
      EXPECT_EQ(buttons, step.buttons) << text.toStdString();
    }
    return step.answer;
  }
  std::optional<QString> OpenFileName(const FileDialogSpec& spec) override {
    dialogs.push_back(spec);
    if (opens_.empty()) {
      ADD_FAILURE() << "unexpected open dialog: " << spec.title.toStdString();
      return std::nullopt;
    }
    const QString a = opens_.front();
    opens_.pop_front();
    if (a.isNull()) return std::nullopt;
    return a;
  }
  std::optional<QString> SaveFileName(const FileDialogSpec& spec) override {
    dialogs.push_back(spec);
    if (saves_.empty()) {
      ADD_FAILURE() << "unexpected save dialog: " << spec.title.toStdString();
      return std::nullopt;
    }
    const QString a = saves_.front();
    saves_.pop_front();
    if (a.isNull()) return std::nullopt;
    return a;
  }
  std::optional<QRgb> ChooseColor(QRgb, const QString& title) override {
    colourTitles.push_back(title);
    if (colours_.empty()) {
      ADD_FAILURE() << "unexpected colour dialog: " << title.toStdString();
      return std::nullopt;
    }
    const auto a = colours_.front();
    colours_.pop_front();
    return a;
  }
  bool RunDialog(QDialog& dialog) override {
    shownDialogs.push_back(dialog.objectName());
    if (dialogPlays_.empty() && standingPlay_) return standingPlay_(dialog);
    if (dialogPlays_.empty()) {
      ADD_FAILURE() << "unexpected dialog: " << dialog.objectName().toStdString() << " \""
                    << dialog.windowTitle().toStdString() << "\"";
      return false;
    }
    const auto play = std::move(dialogPlays_.front());
    dialogPlays_.pop_front();
    return play(dialog);
  }
  std::optional<QFont> ChooseFont(const QFont&) override {
    if (fonts_.empty()) {
      ADD_FAILURE() << "unexpected font dialog";
      return std::nullopt;
    }
    auto a = fonts_.front();
    fonts_.pop_front();
    return a;
  }

  std::optional<PrintRange> PrintDialog(QPrinter&, bool selectionAvailable) override {
    printDialogs.push_back(selectionAvailable);
    if (printAnswers_.empty()) {
      ADD_FAILURE() << "unexpected print dialog";
      return std::nullopt;
    }
    const auto a = printAnswers_.front();
    printAnswers_.pop_front();
    return a;
  }
  bool PrinterSetup(QPrinter&) override { return false; }
  void AnswerPrint(std::optional<PrintRange> range) { printAnswers_.push_back(range); }

  std::vector<bool> printDialogs;
  std::vector<Box> shown;
  std::vector<FileDialogSpec> dialogs;
  std::vector<QString> colourTitles;  // every colour dialog shown
  std::vector<QString> shownDialogs;  // the object names of the modal dialogs run

 private:
  struct Step {
    BoxKind kind;
    QString text;
    Buttons buttons;
    Button answer;
    bool exact;
  };
  std::deque<Step> script_;
  std::optional<Button> any_;
  std::deque<QString> opens_;  // a null text is a cancelled dialog
  std::deque<QString> saves_;
  std::deque<std::optional<QFont>> fonts_;
  std::deque<std::optional<PrintRange>> printAnswers_;
  std::deque<std::optional<QRgb>> colours_;
  std::deque<std::function<bool(QDialog&)>> dialogPlays_;
  std::function<bool(QDialog&)> standingPlay_;
};

}  // namespace varnel::test
