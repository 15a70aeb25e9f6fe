#pragma once
// Every control carries its name as objectName: tests, the trace and the wiring find it by name.
#include <QGridLayout>
#include <QLabel>
#include <initializer_list>
#include <utility>

// The widget, named.
template <class W> W* Named(W* widget, const QString& name) {
  widget->setObjectName(name);
  return widget;
}

inline QLabel* Named_Label(QWidget* parent, const QString& name, const QString& text = {}) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(name);
  return label;
}

// A caption in the first column and its value beside it, one row each from `first_row` on.
inline void Add_Caption_Rows(QGridLayout* grid, QWidget* parent,
                             std::initializer_list<std::pair<QString, QLabel*>> rows, int first_row = 0) {
  int row = first_row;
  for (const auto& [caption, value] : rows) {
    grid->addWidget(new QLabel(caption, parent), row, 0);
    grid->addWidget(value, row, 1);
    ++row;
  }
}
