// The DataSheet's matrix commands with their dialogs and the TextPad.
#pragma once

#include <functional>
#include <memory>

#include "matrix/mappingdialog.h"
#include "matrix/matrixdialog.h"
#include "sheet/links.h"

namespace varnel {

class Sheet;
class TVN_Txt;

class MatrixCommands : public MatrixLink {
 public:
  MatrixCommands(Sheet& sheet, Prompter& prompter, TVN_Txt& textPad, QWidget* dialogParent);
  ~MatrixCommands() override;

  void SVD1Click() override;
  void Inverse1Click() override;
  void LinearMapping1Click() override;
  TVN_LMapd& MappingDialog() { return *mapping_; }
  // Runs a modal dialog; replaceable so that tests can fill it in.
  std::function<bool(QDialog&)> ExecDialog = [](QDialog& d) { return d.exec() == QDialog::Accepted; };

  TVn_SVD& SvdDialog() { return *svd_; }
  TVn_INV& InverseDialog() { return *inverse_; }

 private:
  MatrixCommandContext Context(TVn_SVD& dialog);

  Sheet& sheet_;
  TVN_Txt& textPad_;
  std::unique_ptr<TVn_SVD> svd_;
  std::unique_ptr<TVn_INV> inverse_;
  std::unique_ptr<TVN_LMapd> mapping_;
};

}  // namespace varnel
