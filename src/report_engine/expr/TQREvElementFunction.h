#pragma once

#include <memory>
#include <vector>

#include "report_engine/expr/TQREvElement.h"

namespace quorin {

/// The base of the built-in functions. Its arguments are the elements that follow
/// it up to an argument-end marker; every argument is evaluated before the
/// function looks at any of them.
class TQREvElementFunction : public TQREvElement {
  public:
    TQREvResult Value(TQRFiFo& fifo) override;
    /// Called after the arguments are evaluated, in aggregate mode only.
    virtual void Aggregate() {}
    /// The function's result from its evaluated arguments.
    virtual TQREvResult Calculate();

    /// Evaluates the elements up to the argument-end marker into the argument list.
    void GetArguments(TQRFiFo& fifo);
    void FreeArguments() { ArgList.clear(); }
    const TQREvResult& Argument(int index) const { return ArgList[static_cast<size_t>(index)].EvResult; }
    int ArgumentCount() const { return static_cast<int>(ArgList.size()); }
    /// False for an argument-end marker or an error element.
    static bool ArgumentOK(const TQREvElement* element);

  protected:
    // The list keeps its capacity between calls, so evaluating a prepared
    // expression allocates only the first time.
    std::vector<TQREvResultClass> ArgList;
};

/// Creates a new instance of a function class; the library keeps one per name.
using TQREvElementFunctionClass = std::unique_ptr<TQREvElementFunction> (*)();

template <class T>
std::unique_ptr<TQREvElementFunction> QRFunctionClass() {
    return std::make_unique<T>();
}

}  // namespace quorin
