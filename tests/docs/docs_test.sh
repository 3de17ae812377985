#!/usr/bin/env bash
# The docs agree with the program and with each other:
# - every link between them leads to a file that is there, and every
#   section of the README they send the reader to is there;
# - every orvex-db command the README and docs/ show (in a code block, a
#   code span, or an indented example) is one that `orvex-db --help` lists,
#   and every option they give it is one the help names;
# - every command the help lists is told in docs/tool.md and in the manual
#   page orvex-db(1);
# - every transcript in them ("$ orvex-db ..." followed by what it prints)
#   prints exactly that, run in order on a copy of the starter dictionary.
#   docs_test.sh SOURCE_DIR ORVEX_DB STARTER_DICTIONARY
set -euo pipefail
source_dir=$1 tool=$2 starter=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

help=$("$tool" --help)
commands=$(sed -n 's/^\(usage:\)\{0,1\} *orvex-db \([a-z][a-z]*\).*/\2/p' <<<"$help" | sort -u)
[ "$(wc -l <<<"$commands")" -ge 10 ] || { echo "FAIL: too few commands read from --help: $commands" >&2; exit 1; }

docs=("$source_dir/README.md" "$source_dir"/docs/*.md)
sections=$(sed -n 's/^#\{1,4\} //p' "$source_dir/README.md")
for doc in "${docs[@]}"; do
    name=${doc#"$source_dir"/}
    # [text](target): a relative target is a file beside the doc.
    while read -r target; do
        target=${target%%#*}
        [ -z "$target" ] || [ -e "$(dirname "$doc")/$target" ] || fail "$name links $target, which is not there"
    done < <(grep -o '\]([^)]*)' "$doc" | sed 's/^](//; s/)$//' | grep -v '^[a-z]*:' || true)
    # "the README's section *Title*", "README: *Title*", "*Title*" or
    # "\"Title\" in the README".
    while read -r title; do
        grep -qxF -- "$title" <<<"$sections" || fail "$name sends the reader to the README's section $title, which it has not"
    done < <(grep -oE "README(: |'s section )\*[^*]+\*|(\*[^*]+\*|\"[^\"]+\") in the README" "$doc" \
        | sed -E "s/^README(: |'s section )//; s/ in the README$//; s/^[*\"]//; s/[*\"]$//" || true)
    # Within the README, "see *Title*".
    if [ "$name" = README.md ]; then
        while read -r title; do
            grep -qxF -- "$title" <<<"$sections" || fail "README.md sends the reader to its section $title, which it has not"
        done < <(grep -oE "[Ss]ee \*[^*]+\*" "$doc" | sed -E 's/^[Ss]ee \*//; s/\*$//' || true)
    fi
done

# FILE:LINE<TAB>text of every line of code in a Markdown file: fenced
# blocks of commands (sh, bat; not file listings or output), code spans,
# and lines indented as code that start with orvex-db.
code() {
    awk '
        /^ *```/ { fenced = !fenced; commands = fenced && /```(sh|bash|bat|console)$/; next }
        fenced { if (commands) print FILENAME ":" FNR "\t" $0; next }
        /^    +orvex-db / { print FILENAME ":" FNR "\t" $0; next }
        {
            line = $0
            while (match(line, /`[^`]+`/)) {
                print FILENAME ":" FNR "\t" substr(line, RSTART + 1, RLENGTH - 2)
                line = substr(line, RSTART + RLENGTH)
            }
        }' "$1"
}
for doc in "${docs[@]}"; do code "$doc"; done >"$work/code.txt"
grep -c . "$work/code.txt" >/dev/null || { echo "FAIL: no code found in the docs" >&2; exit 1; }

# Each use: the word after orvex-db, then the options on the same line.
while IFS=$'\t' read -r where text; do
    rest=$text
    while [[ "$rest" =~ (^|[[:space:]\;\|\&\(\$\`])orvex-db(\.exe)?[[:space:]]+([^[:space:]\`\)\;\|]+)(.*) ]]; do
        word=${BASH_REMATCH[3]}
        rest=${BASH_REMATCH[4]}
        if [[ "$word" == -* ]]; then
            grep -qw -- "${word%%=*}" <<<"$help" || fail "$where: orvex-db $word: no such option in --help"
        elif ! grep -qx -- "$word" <<<"$commands"; then
            fail "$where: orvex-db $word: no such command in --help"
        fi
        for option in $(grep -o -- ' --[a-z][a-z-]*' <<<"$rest" || true); do
            grep -qw -- "$option" <<<"$help" || fail "$where: orvex-db $word ... $option: no such option in --help"
        done
    done
done <"$work/code.txt"

for command in $commands; do
    grep -q "orvex-db $command\b" "$source_dir/docs/tool.md" || fail "docs/tool.md does not tell orvex-db $command"
    grep -q "^\.B orvex\\\\-db $command\b" "$source_dir/packaging/man/orvex-db.1" \
        || fail "the manual page orvex-db(1) does not tell orvex-db $command"
done

# Transcripts, each file's in order, on one copy of the program folder.
mkdir "$work/folder"
cp "$tool" "$work/folder/orvex-db"
cp "$starter" "$work/folder/nym2.fdb"
transcripts=0
for doc in "${docs[@]}"; do
    awk '
        match($0, /^ *```/) {
            if (fenced && command != "") print "END"
            fenced = !fenced; indent = RLENGTH - 3; command = ""; next
        }
        !fenced { next }
        { $0 = substr($0, indent + 1) }
        /^\$ orvex-db / { if (command != "") print "END"; command = substr($0, 3); print "RUN" FNR "\t" command; next }
        command != "" { print "OUT\t" $0 }' "$doc" >"$work/transcript.txt"
    while IFS= read -r record; do
        text=${record#*$'\t'}
        case "$record" in
        RUN*)
            line=${record%%$'\t'*}
            where="${doc#"$source_dir"/}:${line#RUN}" run=$text
            : >"$work/want.out"
            : >"$work/want.err"
            ;;
        OUT*)
            if [[ "$text" == orvex-db:* ]]; then echo "$text" >>"$work/want.err"; else echo "$text" >>"$work/want.out"; fi
            ;;
        END)
            transcripts=$((transcripts + 1))
            (cd "$work/folder" && PATH=$work/folder:$PATH bash -c "$run" >"$work/got.out" 2>"$work/got.err") || true
            cmp -s "$work/want.out" "$work/got.out" && cmp -s "$work/want.err" "$work/got.err" \
                || fail "$where: \$ $run printed
$(cat "$work/got.out" "$work/got.err")
and not
$(cat "$work/want.out" "$work/want.err")"
            ;;
        esac
    done <"$work/transcript.txt"
done
[ "$transcripts" -gt 0 ] || fail "no transcript found in the docs"

[ "$failures" -eq 0 ] || { echo "$failures checks failed" >&2; exit 1; }
echo "the docs show $(wc -l <"$work/code.txt") lines of code; every orvex-db command in them is known, $transcripts transcripts print what they say"
