top:  bne $4, $0,
      jumpback
jumpback: halt
after: j after
