#!/usr/bin/perl
# The public headers' comments as Doxygen reads them, without writing them
# in its own syntax: a "//" comment before a declaration documents it, one
# after it on the same line too, and a comment before a run of declarations
# (no blank line between them: a getter and its setter, a list of
# properties) documents each of them.
use strict;
use warnings;

my @out;
my $depth = 0;       # braces open at the start of the line
my $at = -1;         # the depth of the comment being carried; -1 none
my @comment;         # its lines
my $members = 0;     # declarations begun since it
my $open = 0;        # the last declaration line did not end the declaration

sub drop { @comment = (); $at = -1; $members = 0; $open = 0; }

while (my $line = <>) {
    my $inBody = $at >= 0 && $depth > $at;
    if ($inBody) {
        push @out, $line;
    } elsif ($line =~ m{^\s*//\s*---.*---\s*$}) {
        # A section heading ("// --- events ---") documents nothing.
        drop();
        push @out, $line;
    } elsif ($line =~ m{^(\s*)//([^/!].*|)$}) {
        @comment = () if $members > 0;
        $members = 0;
        $line =~ s{^(\s*)//}{$1///};
        push @comment, $line;
        push @out, $line;
        $at = $depth;
    } elsif ($line =~ /^\s*$/ || $line =~ /^\s*(public|private|protected):/ || $line =~ /^\s*#/) {
        drop();
        push @out, $line;
    } elsif ($line =~ m#^(\s*)((?:class|struct)\s+\w+\s*\{)\s*([^{}]*;)\s*\};\s*//\s*(.*)$#) {
        # A class written on one line: the comment documents it and its members.
        drop();
        push @out, "$1/// $4\n$1$2\n";
        push @out, "$1    $_; ///< $4\n" for split(/\s*;\s*/, $3);
        push @out, "$1};\n";
    } elsif ($line =~ m#^(\s*)((?!namespace\b)\S[^;]*\{|enum\b.*\};)\s*//\s*(.*)$#) {
        # A comment after a class's (or a function's) opening brace, or
        # after an enum written on one line, documents it.
        drop();
        push @out, "$1/// $3\n$1$2\n";
    } else {
        $line =~ s#(\S.*[;,}])\s*//([^/!])#$1 ///<$2#;
        # "int year = 1899, month = 12;  ///< ..." documents each of them.
        if ($line =~ m#^(\s*)([A-Za-z_][\w:]*(?:<[^;]*>)?[\s\*&]+)(\w+(?:\s*=\s*[^,;(){}]+)?(?:\s*,\s*\w+(?:\s*=\s*[^,;(){}]+)?)+);\s*///<(.*)$#) {
            my ($indent, $type, $names, $doc) = ($1, $2, $3, $4);
            $line = join('', map { "$indent$type$_; ///<$doc\n" } split(/\s*,\s*/, $names));
        }
        if (@comment && !$open) {
            # A later declaration of the run gets the run's comment too.
            push @out, @comment if $members > 0 && $line !~ m{///<};
            $members++;
        }
        push @out, $line;
        $open = $line !~ /[;}]\s*(\/\/.*)?$/ && $line !~ /\{\s*$/;
    }
    my $opens = () = $line =~ /\{/g;
    my $closes = () = $line =~ /\}/g;
    $depth += $opens - $closes;
    # A class, namespace or enum opened (or a scope closed) ends the run:
    # what follows is documented on its own.
    drop() if $at >= 0 && ($depth < $at || ($depth > $at && !$inBody &&
        $line =~ /^\s*(template\s*<.*>\s*)?(class|struct|namespace|enum|union)\b/));
}
print @out;
