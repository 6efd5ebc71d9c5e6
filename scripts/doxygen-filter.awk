# Doxygen input filter for the public headers: their comments are written
# for people reading the header, as plain // lines above what they describe,
# one comment often covering a getter and its setter or several members it
# names. This turns each such comment into the documentation of a member
# group (DISTRIBUTE_GROUP_DOC gives the text to every member): the
# declarations below it up to a blank line or the next comment, except that
# a getter and setter pair (X, SetX) the comment does not name starts a run
# of its own, undocumented. Comments followed by a
# blank line, by a preprocessor line or by nothing, and "// ===" banners,
# stay plain comments. A trailing "// ..." on a declaration documents it.
function flush_plain(   i) {
    for (i = 1; i <= n; i++) print buf[i]
    n = 0
}
function indent_of(s) { match(s, /^[ \t]*/); return substr(s, 1, RLENGTH) }
function braces(s,   t, o, c) {
    t = s; sub(/\/\/.*$/, "", t)
    o = gsub(/\{/, "{", t); c = gsub(/\}/, "}", t)
    return o - c
}
function as_doc(s) { sub(/\/\/ ?/, "/// ", s); return s }
# The name a declaration line declares: the identifier before its first
# parenthesis, else before its ; = or {.
function decl_name(s,   t) {
    t = s; sub(/\/\/.*$/, "", t)
    if (t ~ /\(/) sub(/\(.*$/, "", t)
    else sub(/[;={].*$/, "", t)
    sub(/[ \t]+$/, "", t)
    if (match(t, /[A-Za-z_][A-Za-z0-9_]*$/)) return substr(t, RSTART, RLENGTH)
    return ""
}
function belongs(name,   g) {
    if (name == "") return 0
    if ((" " names " ") ~ (" " name " ")) return 1
    if (name ~ /^Set/ && (" " names " ") ~ (" " substr(name, 4) " ")) return 1
    if ((" " names " ") ~ (" Set" name " ")) return 1
    return (" " text " ") ~ ("[^A-Za-z0-9_]" name "[^A-Za-z0-9_]")
}
BEGIN { n = 0; group = 0; depth = 0 }
{ all[++count] = $0 }
END {
    for (k = 1; k <= count; k++) process(all[k], all[k + 1])
    flush_plain()
    if (group) print grp_indent "///@}"
}
function process(line, next_line,   is_comment, is_banner, is_blank, is_pre, is_access, is_typedef_open, is_close, nm, i) {
    is_comment = (line ~ /^[ \t]*\/\/([^\/]|$)/)
    is_banner = (line ~ /^[ \t]*\/\/ *=+/)
    is_blank = (line ~ /^[ \t]*$/)
    is_pre = (line ~ /^[ \t]*#/)
    is_access = (line ~ /^[ \t]*(public|protected|private|Q_SIGNALS|signals|public Q_SLOTS|Q_SLOTS)[ \t]*:/)
    is_typedef_open = (line ~ /^[ \t]*(class|struct|union|namespace|enum)[^;]*\{[ \t]*$/ || line ~ /^[ \t]*(class|struct|union|namespace|enum)[^;{]*$/)
    is_close = (line ~ /^[ \t]*\};?/ && depth == 0)

    if (group && depth == 0 && (is_blank || is_comment || is_pre || is_access || is_typedef_open || is_close)) {
        print grp_indent "///@}"
        group = 0
    }
    if (group && depth == 0 && indent_of(line) == grp_indent && line !~ /^[ \t]*\}/) {
        # A new declaration: still this comment's, or the end of the group.
        nm = decl_name(line)
        if (belongs(nm) || decl_name(next_line) != "Set" nm) names = names " " nm
        else { print grp_indent "///@}"; group = 0 }
    }
    if (group) {
        depth += braces(line)
        if (line ~ /;[ \t]*\/\/ /) sub(/;[ \t]*\/\/ /, "; ///< ", line)
        print line
        return
    }
    if (is_comment && !is_banner) { buf[++n] = line; return }
    if (n > 0 && !is_blank && !is_pre && !is_banner && !is_access && !is_close) {
        if (is_typedef_open || line ~ /^[ \t]*(class|struct|union|enum)/) {
            # A type: its comment documents it; no group around a body.
            for (i = 1; i <= n; i++) print as_doc(buf[i])
            n = 0
            print line
            return
        }
        grp_indent = indent_of(line)
        print grp_indent "///@{"
        text = ""
        for (i = 1; i <= n; i++) { print as_doc(buf[i]); text = text " " buf[i] }
        names = decl_name(line)
        n = 0
        group = 1
        depth = braces(line)
        if (line ~ /;[ \t]*\/\/ /) sub(/;[ \t]*\/\/ /, "; ///< ", line)
        print line
        return
    }
    flush_plain()
    if (line ~ /;[ \t]*\/\/ / && !is_comment) sub(/;[ \t]*\/\/ /, "; ///< ", line)
    print line
}
