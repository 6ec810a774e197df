// Stage 2's result: the tree of a script.
#pragma once

#include "lexer.h"
#include "value.h"

#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace script {

enum class ExprKind { Constant, Name, Call, Negate, Not, Binary, And, Or };

struct Expr {
    ExprKind kind = ExprKind::Constant;
    int line = 0;
    Tok op = Tok::End;                           // Binary: the operator
    Value constant;                              // Constant
    std::string name;                            // Name, Call
    std::vector<std::unique_ptr<Expr>> operands; // operands or call arguments
};

using ExprPtr = std::unique_ptr<Expr>;

enum class StmtKind { Expression, Assign, If, While, For, Break, Continue, Return };

struct Stmt;
using Block = std::vector<Stmt>;

struct Stmt {
    StmtKind kind = StmtKind::Expression;
    int line = 0;
    std::string name;           // Assign, For: the variable
    std::vector<ExprPtr> exprs; // Expression/Assign/Return: [value]; While: [cond];
                                // For: [from, to, step?]; If: one condition a clause
    std::vector<Block> blocks;  // If: one body a clause, then the else body if any;
                                // While, For: [body]
};

struct Function {
    std::string name;
    int line = 0;
    std::vector<std::string> parameters;
    Block body;
};

// A read script: its functions by name and its top-level lines in order.
struct Program {
    std::unordered_map<std::string, std::shared_ptr<const Function>> functions;
    Block lines;
};

} // namespace script
