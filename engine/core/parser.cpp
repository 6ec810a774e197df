#include "parser.h"

#include "error.h"
#include "script_core.h"

#include <algorithm>

namespace script {

namespace {

// Both ways an expression grows deep end here: the parser's own nesting (parentheses,
// unary operators, calls) while it reads, and the height of the tree it builds (a long
// chain of binary operators), so reading, evaluating and freeing a tree all stay shallow.
void CheckExpressionDepth(int depth, int line) {
    if (depth > kMaxExpressionDepth)
        FailSyntax(line, "expression nested too deeply (more than " +
                             std::to_string(kMaxExpressionDepth) + " levels)");
}

struct Parser {
    std::vector<Token> tokens;
    std::size_t pos = 0;
    int nesting = 0; // open parentheses, unary operators and calls
    int blocks = 0;  // open { } blocks
    int loops = 0;   // loops around the statement being read
    bool inFunction = false;

    const Token& Peek() const { return tokens[pos]; }
    bool Is(Tok kind) const { return tokens[pos].kind == kind; }
    const Token& Next() { return tokens[pos < tokens.size() - 1 ? pos++ : pos]; }
    bool Accept(Tok kind) {
        if (!Is(kind))
            return false;
        Next();
        return true;
    }
    const Token& Expect(Tok kind, const char* what) {
        if (!Is(kind))
            FailSyntax(Peek().line,
                       std::string("expected ") + what + ", found " + TokenName(Peek().kind));
        return Next();
    }
    void SkipNewlines() {
        while (Is(Tok::Newline))
            Next();
    }

    // A node under construction with the height of its tree.
    struct Built {
        ExprPtr expr;
        int height = 1;
    };

    Built Make(ExprKind kind, int line, std::vector<Built> operands, Tok op = Tok::End) {
        Built b;
        b.expr = std::make_unique<Expr>();
        b.expr->kind = kind;
        b.expr->line = line;
        b.expr->op = op;
        for (Built& o : operands) {
            b.height = std::max(b.height, o.height + 1);
            b.expr->operands.push_back(std::move(o.expr));
        }
        CheckExpressionDepth(b.height, line);
        return b;
    }

    Built Primary() {
        const Token& t = Peek();
        const int line = t.line;
        switch (t.kind) {
        case Tok::Integer: {
            Built b = Make(ExprKind::Constant, line, {});
            b.expr->constant = MakeInteger(Next().integer);
            return b;
        }
        case Tok::Float: {
            Built b = Make(ExprKind::Constant, line, {});
            b.expr->constant = MakeFloat(Next().real);
            return b;
        }
        case Tok::Text: {
            Built b = Make(ExprKind::Constant, line, {});
            b.expr->constant = MakeText(Next().text);
            return b;
        }
        case Tok::LParen: {
            Next();
            Built inner = Expression();
            Expect(Tok::RParen, "')'");
            return inner;
        }
        case Tok::Name: {
            std::string name = Next().text;
            if (!Accept(Tok::LParen)) {
                Built b = Make(ExprKind::Name, line, {});
                b.expr->name = std::move(name);
                return b;
            }
            std::vector<Built> arguments;
            if (!Is(Tok::RParen)) {
                do {
                    if (arguments.size() == static_cast<std::size_t>(kMaxArguments))
                        FailSyntax(line, "more than " + std::to_string(kMaxArguments) +
                                             " arguments in a call of " + name);
                    arguments.push_back(Expression());
                } while (Accept(Tok::Comma));
            }
            Expect(Tok::RParen, "')' after the arguments");
            Built b = Make(ExprKind::Call, line, std::move(arguments));
            b.expr->name = std::move(name);
            return b;
        }
        default:
            FailSyntax(line, std::string("expected an expression, found ") + TokenName(t.kind));
        }
    }

    Built Unary() {
        CheckExpressionDepth(++nesting, Peek().line);
        Built result;
        const int line = Peek().line;
        if (Accept(Tok::Minus)) {
            std::vector<Built> operand;
            operand.push_back(Unary());
            result = Make(ExprKind::Negate, line, std::move(operand));
        } else if (Accept(Tok::Not)) {
            std::vector<Built> operand;
            operand.push_back(Unary());
            result = Make(ExprKind::Not, line, std::move(operand));
        } else {
            result = Primary();
        }
        --nesting;
        return result;
    }

    // Binary operators by precedence climbing, left-associative.
    Built Binary(int minimum) {
        Built left = Unary();
        for (;;) {
            const Tok op = Peek().kind;
            const int precedence = Info(op).precedence;
            if (precedence == 0 || precedence < minimum)
                return left;
            const int line = Next().line;
            SkipNewlines(); // an operator at a line's end continues the expression
            std::vector<Built> operands;
            operands.push_back(std::move(left));
            operands.push_back(Binary(precedence + 1));
            const ExprKind kind = op == Tok::And  ? ExprKind::And
                                  : op == Tok::Or ? ExprKind::Or
                                                  : ExprKind::Binary;
            left = Make(kind, line, std::move(operands), op);
        }
    }

    Built Expression() { return Binary(1); }

    ExprPtr TopExpression() { return Expression().expr; }

    Block ParseBlock() {
        SkipNewlines();
        const int line = Expect(Tok::LBrace, "'{' (a block is required)").line;
        if (++blocks > kMaxBlockDepth)
            FailSyntax(line, "blocks nested too deeply (more than " +
                                 std::to_string(kMaxBlockDepth) + " levels)");
        Block block;
        for (;;) {
            while (Accept(Tok::Newline) || Accept(Tok::Semicolon)) {
            }
            if (Accept(Tok::RBrace))
                break;
            if (Is(Tok::End))
                FailSyntax(line, "'{' is never closed by '}'");
            block.push_back(Statement());
        }
        --blocks;
        return block;
    }

    void EndOfStatement() {
        if (Accept(Tok::Newline) || Accept(Tok::Semicolon) || Is(Tok::RBrace) || Is(Tok::End))
            return;
        FailSyntax(Peek().line, std::string("expected the end of the statement, found ") +
                                    TokenName(Peek().kind));
    }

    Stmt Statement() {
        Stmt s;
        s.line = Peek().line;
        switch (Peek().kind) {
        case Tok::If: {
            Next();
            s.kind = StmtKind::If;
            s.exprs.push_back(TopExpression());
            s.blocks.push_back(ParseBlock());
            for (;;) {
                const std::size_t mark = pos;
                SkipNewlines();
                if (!Accept(Tok::Else)) {
                    pos = mark;
                    break;
                }
                if (Accept(Tok::If)) {
                    s.exprs.push_back(TopExpression());
                    s.blocks.push_back(ParseBlock());
                    continue;
                }
                s.blocks.push_back(ParseBlock());
                break;
            }
            break;
        }
        case Tok::While: {
            Next();
            s.kind = StmtKind::While;
            s.exprs.push_back(TopExpression());
            ++loops;
            s.blocks.push_back(ParseBlock());
            --loops;
            break;
        }
        case Tok::For: {
            Next();
            s.kind = StmtKind::For;
            s.name = Expect(Tok::Name, "the name of the loop variable").text;
            Expect(Tok::Assign, "'='");
            s.exprs.push_back(TopExpression());
            Expect(Tok::To, "'to'");
            s.exprs.push_back(TopExpression());
            if (Accept(Tok::Step))
                s.exprs.push_back(TopExpression());
            ++loops;
            s.blocks.push_back(ParseBlock());
            --loops;
            break;
        }
        case Tok::Break:
        case Tok::Continue: {
            s.kind = Is(Tok::Break) ? StmtKind::Break : StmtKind::Continue;
            const Token& t = Next();
            if (loops == 0)
                FailSyntax(t.line, std::string(TokenName(t.kind)) + " outside a loop");
            break;
        }
        case Tok::Return: {
            Next();
            s.kind = StmtKind::Return;
            if (!inFunction)
                FailSyntax(s.line, "'return' outside a function");
            if (!Is(Tok::Newline) && !Is(Tok::Semicolon) && !Is(Tok::RBrace) && !Is(Tok::End))
                s.exprs.push_back(TopExpression());
            break;
        }
        case Tok::Function:
            FailSyntax(s.line, "functions are defined at the top level only");
        case Tok::Name:
            if (tokens[pos + 1].kind == Tok::Assign) {
                s.kind = StmtKind::Assign;
                s.name = Next().text;
                Next();
                s.exprs.push_back(TopExpression());
                break;
            }
            [[fallthrough]];
        default:
            s.kind = StmtKind::Expression;
            s.exprs.push_back(TopExpression());
            break;
        }
        EndOfStatement();
        return s;
    }

    std::shared_ptr<const Function> FunctionDefinition() {
        auto f = std::make_shared<Function>();
        f->line = Next().line;
        f->name = Expect(Tok::Name, "the function's name").text;
        Expect(Tok::LParen, "'(' after the function's name");
        if (!Is(Tok::RParen)) {
            do {
                const Token& p = Expect(Tok::Name, "a parameter name");
                if (std::find(f->parameters.begin(), f->parameters.end(), p.text) !=
                    f->parameters.end())
                    FailSyntax(p.line, "parameter " + p.text + " named twice");
                if (f->parameters.size() == static_cast<std::size_t>(kMaxArguments))
                    FailSyntax(p.line,
                               "more than " + std::to_string(kMaxArguments) + " parameters");
                f->parameters.push_back(p.text);
            } while (Accept(Tok::Comma));
        }
        Expect(Tok::RParen, "')' after the parameters");
        inFunction = true;
        f->body = ParseBlock();
        inFunction = false;
        EndOfStatement();
        return f;
    }

    Program Run() {
        Program program;
        for (;;) {
            while (Accept(Tok::Newline) || Accept(Tok::Semicolon)) {
            }
            if (Is(Tok::End))
                return program;
            if (Is(Tok::RBrace))
                FailSyntax(Peek().line, "'}' without a matching '{'");
            if (Is(Tok::Function)) {
                std::shared_ptr<const Function> f = FunctionDefinition();
                if (program.functions.count(f->name) != 0)
                    FailSyntax(f->line, "function " + f->name + " is defined twice");
                program.functions.emplace(f->name, std::move(f));
            } else {
                program.lines.push_back(Statement());
            }
        }
    }
};

} // namespace

Program ParseProgram(std::string_view source) {
    Parser parser;
    parser.tokens = Tokenize(source);
    return parser.Run();
}

} // namespace script
